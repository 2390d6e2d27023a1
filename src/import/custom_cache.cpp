#include "import/custom_cache.hpp"

#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "base/paths.hpp"
#include "import/grid_import.hpp"
#include "import/import_platform.hpp"
#include "platform/platform.hpp"

namespace orthelev {
namespace {

// FNV-1a, 64 bits: a short name for a long key, not a security measure.
std::uint64_t Fnv1a(const std::string& bytes) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

std::string Hex(std::uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(16, '0');
  for (int i = 15; i >= 0; --i, value >>= 4)
    text[static_cast<std::size_t>(i)] = kDigits[value & 15];
  return text;
}

// The part of a cached file's name that names its source:
// "egm96_15-0123456789abcdef-" for /usr/share/proj/egm96_15.gtx (the key of
// its full path).
std::string SourcePart(const std::string& source) {
  std::string stem = FileNameOf(source);
  const std::size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot > 0) stem.erase(dot);
  return stem + "-" + Hex(Fnv1a(AbsolutePath(source))) + "-";
}

// SourcePart and the key of the source's identity, size and time of last
// write: "egm96_15-0123456789abcdef-fedcba9876543210.cdat".
std::string CacheName(const std::string& source, const platform::FileStatus& status) {
  const std::string key = FormatInt(static_cast<std::int64_t>(status.identity.device)) + '\n' +
                          FormatInt(static_cast<std::int64_t>(status.identity.file)) + '\n' +
                          FormatInt(status.size) + '\n' + FormatInt(status.modifiedNs);
  return SourcePart(source) + Hex(Fnv1a(key)) + ".cdat";
}

// Removes the files imported from `source` before it changed: those of the
// same source part but another name than `current`.
void RemoveOutdatedImports(const std::string& cacheFolder, const std::string& source,
                           const std::string& current) {
  const std::string part = SourcePart(source);
  std::error_code failure;
  for (std::filesystem::directory_iterator it(platform::PathOf(cacheFolder), failure), end;
       !failure && it != end; it.increment(failure)) {
    const std::string name = platform::Utf8Of(it->path().filename());
    if (name.rfind(part, 0) == 0 && name != current && name.size() == current.size())
      platform::RemoveFile(platform::Utf8Of(it->path()));
  }
}

std::vector<std::string> Split(const std::string& list, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = list.find(separator, start)) != std::string::npos; start = end + 1)
    parts.push_back(list.substr(start, end - start));
  parts.push_back(list.substr(start));
  return parts;
}

}  // namespace

bool CachedCustomGrid(const std::string& source, const std::string& cacheFolder, CachedGrid& grid,
                      std::string& error) {
  platform::FileStatus status;
  if (!platform::StatusAt(source, status) || status.kind != platform::FileKind::Regular) {
    error = "Cannot read " + source + ".";
    return false;
  }
  if (cacheFolder.empty()) {
    error =
        "No cache folder is known (XDG_CACHE_HOME or HOME; on Windows LOCALAPPDATA) to "
        "import " +
        source + " into.";
    return false;
  }
  std::error_code failure;
  std::filesystem::create_directories(platform::PathOf(cacheFolder), failure);
  if (failure) {
    error = "Cannot make the cache folder " + cacheFolder + " (" + failure.message() + ").";
    return false;
  }
  const std::string name = CacheName(source, status);
  grid.path = WithTrailingSeparator(cacheFolder) + name;
  grid.imported = false;
  if (IsRegularFile(grid.path)) return true;
  if (!ImportGrid(source, grid.path, std::nullopt, error)) return false;
  grid.imported = true;
  RemoveOutdatedImports(cacheFolder, source, name);
  return true;
}

std::string ImportedGridPatterns() {
#ifdef ORTHELEV_GDAL_MODULE
  return "*.gtx;*.tif;*.isg;*.pgm;*.nc";
#else
  return "*.isg;*.pgm";
#endif
}

std::string UserGridCacheFolder() {
  const std::string cache = platform::UserCacheFolder();
  return cache.empty() ? cache : cache + "/orthelev/grids";
}

bool PrepareCustomGrid(const std::string& given, std::string& usable, std::string& error) {
  CachedGrid grid;
  if (!CachedCustomGrid(given, UserGridCacheFolder(), grid, error)) return false;
  usable = grid.path;
  return true;
}

std::vector<std::string> ProjDataFolders() {
#ifdef _WIN32
  constexpr char kListSeparator = ';';
#else
  constexpr char kListSeparator = ':';
#endif
  std::string projData = platform::EnvironmentValue("PROJ_DATA");
  if (projData.empty()) projData = platform::EnvironmentValue("PROJ_LIB");
  std::vector<std::string> folders = Split(projData, kListSeparator);
  const std::string home = platform::EnvironmentValue("HOME");
  if (!home.empty()) folders.push_back(home + "/.local/share/proj");
  folders.emplace_back("/usr/local/share/proj");
  folders.emplace_back("/usr/share/proj");
  std::erase(folders, std::string());
  return folders;
}

std::string FindProjGrid(const std::string& name) {
  for (const std::string& folder : ProjDataFolders()) {
    std::string path = WithTrailingSeparator(folder) + name;
    if (IsRegularFile(path)) return path;
  }
  return "";
}

}  // namespace orthelev
