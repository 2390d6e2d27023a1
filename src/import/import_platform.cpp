#include "import/import_platform.hpp"

namespace orthelev {

namespace {

bool StatusIs(const std::string& path, platform::FileKind kind) {
  platform::FileStatus status;
  return platform::StatusAt(path, status) && status.kind == kind;
}

}  // namespace

bool SameExistingFile(const std::string& a, const std::string& b) {
  platform::FileStatus first, second;
  return platform::StatusAt(a, first) && platform::StatusAt(b, second) &&
         first.identity == second.identity;
}

bool IsRegularFile(const std::string& path) { return StatusIs(path, platform::FileKind::Regular); }

bool IsFolder(const std::string& path) { return StatusIs(path, platform::FileKind::Directory); }

}  // namespace orthelev
