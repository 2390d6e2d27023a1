#pragma once
// Limits the size of files this process writes while the object lives: a
// write past the limit fails (EFBIG) instead of raising SIGXFSZ. Forces
// write failures even where root ignores permissions.

#include "support/posix_only.hpp"

#ifdef _WIN32
// Windows has no file size limit: the tests that need one are POSIX only.
#define ORTHELEV_NEEDS_FILE_SIZE_LIMIT() \
  ORTHELEV_POSIX_ONLY("a file size limit (RLIMIT_FSIZE) makes the disk look full")
namespace orthelev::testing {
// Never active; the tests skip before they would use it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(unsigned long long) {}
  bool Active() const { return false; }
};
}  // namespace orthelev::testing
#else
#define ORTHELEV_NEEDS_FILE_SIZE_LIMIT() static_cast<void>(0)
#include <csignal>
#include <sys/resource.h>

namespace orthelev::testing {

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool Active() const { return active_; }

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
  bool active_ = false;
};

}  // namespace orthelev::testing
#endif
