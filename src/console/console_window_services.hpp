#pragma once
// Window services for the console front end: status lines and message boxes
// on standard error (message boxes answered OK at once), the report on
// standard output, one line per report line.
//
// On a terminal the status texts rewrite one line in place ("\r", the text,
// clear to the end of the line), which EndStatus ends with a newline;
// elsewhere (a pipe, a file) only the last status before EndStatus, a
// message box or the end of the services is written, one line each.

#include <cstdio>
#include <string>

#include "services/memory_window_services.hpp"

namespace orthelev {

class ConsoleWindowServices : public MemoryWindowServices {
 public:
  // Asks the system whether `out` and `err` are terminals.
  ConsoleWindowServices(std::FILE* out = stdout, std::FILE* err = stderr);
  ~ConsoleWindowServices() override;
  ConsoleWindowServices(const ConsoleWindowServices&) = delete;
  ConsoleWindowServices& operator=(const ConsoleWindowServices&) = delete;

  void SetQuiet(bool quiet) { quiet_ = quiet; }
  // Takes `err` (and `out`) for a terminal or not, whatever they are.
  void SetTerminals(bool errIsTerminal, bool outIsTerminal) {
    errTerminal_ = errIsTerminal;
    outTerminal_ = outIsTerminal;
  }

  void SetStatusText(const std::string& text) override;
  void EndStatus() override;
  void AppendReportLine(const std::string& text) override;
  MessageButton ShowMessageBox(const std::string& text, MessageKind kind, MessageButton buttons,
                               int helpContext) override;
  void ShowGeneralError(const std::string& text) override;

 private:
  void EndStatusLine();

  std::FILE* out_;
  std::FILE* err_;
  bool quiet_ = false;
  bool errTerminal_ = false, outTerminal_ = false;
  // The status on the terminal's line, or the one waiting to be written;
  // `statusOpen_` while there is one.
  std::string status_;
  bool statusOpen_ = false;
};

// A report or message text with each CR LF (or lone CR or LF) turned into "\n".
std::string ToConsoleLines(const std::string& text);

}  // namespace orthelev
