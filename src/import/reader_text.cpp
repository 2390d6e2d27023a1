#include "import/reader_text.hpp"

#include <filesystem>

#include "base/number_format.hpp"

namespace orthelev {

std::int64_t FileBytes(const std::string& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

std::string FirstLine(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  char c;
  while (line.size() < limit && in.get(c) && c != '\n') line.push_back(c);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string FileStart(const std::string& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string start(limit, '\0');
  in.read(start.data(), static_cast<std::streamsize>(start.size()));
  start.resize(static_cast<std::size_t>(in.gcount()));
  return start;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ReadIsgHeader(TextLines& lines, IsgHeader& header, std::string& error) {
  std::string line;
  bool inside = false;
  while (lines.Next(line)) {
    if (line.rfind("begin_of_head", 0) == 0) {
      inside = true;
    } else if (line.rfind("end_of_head", 0) == 0) {
      if (inside) return true;
    } else if (inside) {
      const std::size_t split = line.find_first_of(":=");
      if (split == std::string::npos) continue;
      header[LowerCase(TrimControlAndBlanks(std::string_view(line).substr(0, split)))] =
          std::string(TrimControlAndBlanks(std::string_view(line).substr(split + 1)));
    }
  }
  error = "The ISG header is not complete (no end_of_head line).";
  return false;
}

bool ParseIsgAngle(std::string_view text, bool dms, double& value) {
  if (!dms) return ParseReal(text, value);
  const bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  double parts[3] = {0, 0, 0};
  int count = 0;
  while (!text.empty() && count < 3) {
    std::size_t end = 0;
    while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == '.')) ++end;
    if (end == 0) return false;
    if (!ParseReal(text.substr(0, end), parts[count++])) return false;
    text.remove_prefix(end);
    while (!text.empty() && !(text.front() >= '0' && text.front() <= '9')) text.remove_prefix(1);
  }
  if (count == 0 || !text.empty()) return false;
  value = parts[0] + parts[1] / 60 + parts[2] / 3600;
  if (negative) value = -value;
  return true;
}

bool HeaderValueIs(const IsgHeader& header, const std::string& key, std::string_view expected) {
  const auto found = header.find(key);
  if (found == header.end()) return true;
  std::string compact;
  for (char c : LowerCase(found->second))
    if (c != ' ') compact.push_back(c);
  return compact == expected;
}

}  // namespace orthelev
