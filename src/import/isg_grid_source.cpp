// ISG text grids (the sparse points are in isg_points_source.cpp).

#include "base/file_io.hpp"
#include "base/number_format.hpp"
#include "import/reader_text.hpp"

namespace orthelev {

bool LooksLikeIsgGrid(const std::string& path) {
  const std::string start = FileStart(path, 4096);
  return start.find("begin_of_head") != std::string::npos && start.find('\0') == std::string::npos;
}

namespace {

// What the import tells about the header: values converted from feet, a
// format version it does not know.
std::vector<std::string> IsgNotes(const IsgHeader& header) {
  std::vector<std::string> notes;
  if (IsgMetresPerUnit(header) != 1)
    notes.emplace_back("The ISG values are in feet: converted to metres.");
  const auto version = header.find("isg format");
  if (version != header.end()) {
    const std::string_view v = TrimControlAndBlanks(version->second);
    if (v != "1.0" && v != "1.00" && v != "1.01" && v != "2.0" && v != "2.00")
      notes.push_back("warning: ISG format " + std::string(v) +
                      " is none this program knows (1.0, 1.01, 2.0): read as ISG 2.0; check "
                      "the imported heights.");
  }
  return notes;
}

// The header's model name and references ("---" is ISG's "none").
SourceDescription IsgDescription(const IsgHeader& header) {
  const auto value = [&header](const char* key) {
    const auto found = header.find(key);
    const std::string_view text =
        found == header.end() ? std::string_view() : TrimControlAndBlanks(found->second);
    return text == "---" ? std::string() : std::string(text);
  };
  SourceDescription description;
  description.model = value("model name");
  for (const char* key : {"ref frame", "height datum", "tide system"}) {
    const std::string part = value(key);
    if (!part.empty()) description.datum += (description.datum.empty() ? "" : ", ") + part;
  }
  description.interpolation = "bilinear, as the ISG service's software";
  return description;
}

}  // namespace

std::unique_ptr<GridSource> OpenIsgGrid(const std::string& path, std::string& error) {
  TextLines lines(path);
  if (!lines.IsOpen()) {
    error = "Cannot open " + path + ".";
    return nullptr;
  }
  IsgHeader header;
  if (!ReadIsgHeader(lines, header, error)) return nullptr;
  if (!HeaderValueIs(header, "data format", "grid"))
    return OpenIsgPoints(lines, header, IsgNotes(header), IsgDescription(header), error);
  GridValues grid;
  if (!ReadIsgGrid(lines, header, FileBytes(path), grid, error)) return nullptr;
  return std::make_unique<MemoryGridSource>(grid.lattice, std::move(grid.values), IsgNotes(header),
                                            IsgDescription(header));
}

}  // namespace orthelev
