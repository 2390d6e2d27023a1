#include "import/reader_text.hpp"

#include "base/number_format.hpp"
#include "platform/platform.hpp"

namespace orthelev {

std::string FirstLine(const std::string& path, std::size_t limit) {
  std::ifstream in(platform::PathOf(path), std::ios::binary);
  std::string line;
  char c;
  while (line.size() < limit && in.get(c) && c != '\n') line.push_back(c);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace orthelev
