#include "services/memory_window_services.hpp"

#include "base/ascii_text.hpp"

namespace orthelev {

int FindEntryIgnoringCase(const std::vector<std::string>& entries, const std::string& text) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (EqualIgnoringAsciiCase(entries[i], text)) return static_cast<int>(i);
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
