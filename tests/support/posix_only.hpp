#pragma once
// Marks a test of behaviour only POSIX systems have (signals sent by the
// shell, symbolic links, permission bits, /proc): on Windows it is reported
// as skipped with the reason "POSIX only: ...", never left out silently.

#include <iostream>

#include <gtest/gtest.h>

#ifdef _WIN32
#define ORTHELEV_POSIX_ONLY(reason) GTEST_SKIP() << "POSIX only: " << reason
#else
#define ORTHELEV_POSIX_ONLY(reason) static_cast<void>(0)
#endif

// Leaves out one case of a table on Windows, telling so on the test's output.
#ifdef _WIN32
#define ORTHELEV_POSIX_ONLY_CASE(reason) \
  (std::cout << "[ POSIX only ] a case left out: " << reason << "\n", false)
#else
#define ORTHELEV_POSIX_ONLY_CASE(reason) true
#endif
