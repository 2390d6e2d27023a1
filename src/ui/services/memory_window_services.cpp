#include "ui/services/memory_window_services.hpp"

#include <algorithm>
#include <cctype>

namespace orthelev {

namespace {

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

int FindEntryIgnoringCase(const std::vector<std::string>& entries, const std::string& text) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (EqualIgnoringCase(entries[i], text)) return static_cast<int>(i);
  return -1;
}

std::string MemoryWindowServices::GeoidModelItem(int index) const {
  if (index < 0 || index >= static_cast<int>(modelItems_.size())) return {};
  return modelItems_[static_cast<size_t>(index)];
}

int MemoryWindowServices::FindGeoidModelItem(const std::string& text) const {
  return FindEntryIgnoringCase(modelItems_, text);
}

void MemoryWindowServices::SetMainTopLeft(int top, int left) {
  const int width = rect_.Width(), height = rect_.Height();
  rect_ = ScreenRect{left, top, left + width, top + height};
}

}  // namespace orthelev
