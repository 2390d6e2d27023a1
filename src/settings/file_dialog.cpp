#include "settings/file_dialog.hpp"

#include "settings/settings.hpp"

namespace orthelev {

SDialog& DialogRecord(DialogUse use) {
  return use == DialogUse::SourceFiles ? TheSettings().browseDialog : TheSettings().gridDialog;
}

bool ExecuteFileDialog(DialogUse use, std::vector<std::string>* chosen) {
  std::vector<std::string> files;
  const bool confirmed = Window().RunOpenDialog(DialogRecord(use), files);
  if (chosen) *chosen = confirmed ? files : std::vector<std::string>{};
  return confirmed;
}

}  // namespace orthelev
