# The Debian package of the programs (make package): everything the install
# rules put under the prefix, installed into /usr. The package's
# dependencies on Qt and GDAL are read off the installed binaries by
# dpkg-shlibdeps (Debian's dpkg-dev).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orthelev)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Orthelev maintainers")
set(CPACK_PACKAGE_CONTACT "Orthelev maintainers <maintainers@users.noreply.c-seed-51123f4c.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "correct the heights in GPS logs with a geoid model")
set(CPACK_PACKAGE_DESCRIPTION
    "Orthelev rewrites NMEA GGA/GNS sentences, CSV logger exports, RTKLIB\n"
    "solution files and GPX tracks into corrected copies whose heights and\n"
    "geoid separations come from an accurate geoid model: EGM2008 at 2.5' and\n"
    "1', Japan's GSIGEO 2011, or any grid imported as a custom model (GTX,\n"
    "GeoTIFF, ISG and the rasters GDAL reads). Every byte other than the\n"
    "corrected numbers is kept.\n"
    "\n"
    "The package holds the desktop program orthelev (Qt 6) and the console\n"
    "front end orthelev-cli. The geoid grids are not included.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped binaries: smaller, and their debug information would name the
# build machine's folders.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # orthelev_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window icon is an SVG (Qt's SVG icon engine); the windows' designed
# font is Tahoma, taken from Wine's metric-compatible face where Tahoma is
# missing; PROJ's grids (EGM96 and others) import as custom models.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6svg6, fonts-wine")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "proj-data")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# No maintainer scripts: Debian's triggers of shared-mime-info,
# desktop-file-utils and the icon cache pick up the MIME type, the desktop
# entry and the icon.

# Debian keeps manual pages compressed.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/CompressManPages.cmake)

include(CPack)
