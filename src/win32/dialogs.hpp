#pragma once
// The system's message box and file-open dialog, each centred over the main
// window and kept inside the work area of its monitor.

#include <string>
#include <vector>
#include <windows.h>

#include "services/window_services.hpp"

namespace orthelev::win32 {

// A modal message box of the system: "Error" with the error symbol for the
// error kind, the program's title for the custom kind; one OK button.
void ShowMessageBoxOver(HWND owner, MessageKind kind, const std::string& text,
                        const std::string& programTitle);

// The general error display: titled with the program's title, stop symbol, OK.
void ShowStopBoxOver(HWND owner, const std::string& title, const std::string& text);

// The system's file-open dialog (one file, read-only box hidden, resizable)
// opened in dialog.SInitDir with dialog.SFileName and dialog.SFilter; true
// and the chosen file's full path in `chosen` and dialog.SFileName when the
// user confirmed.
bool RunFileDialog(HWND owner, SDialog& dialog, std::vector<std::string>& chosen);

}  // namespace orthelev::win32
