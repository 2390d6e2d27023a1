#include "import/import_platform.hpp"

#include <csignal>
#include <cstring>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orthelev {

namespace {

// The one temporary file a signal removes. Written only while the signals
// are blocked, read only by the handler: the handler sees a whole path or
// none.
struct PendingTempFile {
  char path[4096] = {};
  volatile std::sig_atomic_t armed = 0;
  struct sigaction previousInt {};
  struct sigaction previousTerm {};
};

PendingTempFile& ThePendingTempFile() {
  static PendingTempFile pending;
  return pending;
}

// Only async-signal-safe calls: unlink, sigaction, raise.
extern "C" void RemoveTempFileAndEnd(int signal) {
  PendingTempFile& pending = ThePendingTempFile();
  if (pending.armed) ::unlink(pending.path);
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  ::sigaction(signal, &fallback, nullptr);
  // Delivered with the default action as soon as the handler returns.
  ::raise(signal);
}

// Runs `change` with SIGINT and SIGTERM blocked.
template <typename Change>
void WithSignalsBlocked(Change change) {
  sigset_t block, before;
  sigemptyset(&block);
  sigaddset(&block, SIGINT);
  sigaddset(&block, SIGTERM);
  ::sigprocmask(SIG_BLOCK, &block, &before);
  change();
  ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

}  // namespace

bool SameExistingFile(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TempFileRemoval::TempFileRemoval() {
  PendingTempFile& pending = ThePendingTempFile();
  pending.armed = 0;
  struct sigaction removal {};
  removal.sa_handler = RemoveTempFileAndEnd;
  sigemptyset(&removal.sa_mask);
  ::sigaction(SIGINT, &removal, &pending.previousInt);
  ::sigaction(SIGTERM, &removal, &pending.previousTerm);
}

TempFileRemoval::~TempFileRemoval() {
  PendingTempFile& pending = ThePendingTempFile();
  Disarm();
  ::sigaction(SIGINT, &pending.previousInt, nullptr);
  ::sigaction(SIGTERM, &pending.previousTerm, nullptr);
}

void TempFileRemoval::Arm(const std::string& path) {
  PendingTempFile& pending = ThePendingTempFile();
  WithSignalsBlocked([&] {
    pending.armed = 0;
    if (path.size() >= sizeof pending.path) return;
    std::memcpy(pending.path, path.c_str(), path.size() + 1);
    pending.armed = 1;
  });
}

void TempFileRemoval::Disarm() {
  WithSignalsBlocked([] { ThePendingTempFile().armed = 0; });
}

}  // namespace orthelev
