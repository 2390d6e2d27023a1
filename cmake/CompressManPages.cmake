# Run by CPack on its staging folder before the package is made: every
# manual page under share/man is compressed with gzip -9n (no name or time
# stamp in the file, so that the package is reproducible).
file(GLOB_RECURSE files "${CPACK_TEMPORARY_DIRECTORY}/*")
list(FILTER files INCLUDE REGEX "/share/man/[^/]+/[^/]+\\.[1-9]$")
foreach(page IN LISTS files)
  execute_process(COMMAND gzip -9nf "${page}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "gzip failed on ${page}")
  endif()
endforeach()
