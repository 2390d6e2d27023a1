#pragma once
// The two uses of the file-open dialog, each remembering its own folder,
// file name and filter between showings.

#include <string>
#include <vector>

#include "services/window_services.hpp"

namespace orthelev {

enum class DialogUse { SourceFiles = 1, GeoidFile = 2 };

// The remembered state of a use (TheSettings().browseDialog or .gridDialog).
SDialog& DialogRecord(DialogUse use);

// Shows the dialog from the use's record and stores the dialog's file name
// and filter back into it (not its folder: see RunOpenDialog). `chosen`
// receives the chosen files' full paths. True when the user confirmed a
// choice.
bool ExecuteFileDialog(DialogUse use, std::vector<std::string>* chosen = nullptr);

}  // namespace orthelev
