// ISG text grids (the sparse points are in isg_points_source.cpp).

#include "base/file_io.hpp"
#include "import/reader_text.hpp"

namespace orthelev {

bool LooksLikeIsgGrid(const std::string& path) {
  const std::string start = FileStart(path, 4096);
  return start.find("begin_of_head") != std::string::npos && start.find('\0') == std::string::npos;
}

std::unique_ptr<GridSource> OpenIsgGrid(const std::string& path, std::string& error) {
  TextLines lines(path);
  if (!lines.IsOpen()) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  IsgHeader header;
  if (!ReadIsgHeader(lines, header, error)) return nullptr;
  if (!HeaderValueIs(header, "data format", "grid")) return OpenIsgPoints(lines, header, error);
  GridValues grid;
  if (!ReadIsgGrid(lines, header, FileBytes(path), grid, error)) return nullptr;
  return std::make_unique<MemoryGridSource>(grid.lattice, std::move(grid.values));
}

}  // namespace orthelev
