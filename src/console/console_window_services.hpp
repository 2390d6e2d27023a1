#pragma once
// Window services for the console front end: status lines and message boxes
// on standard error (message boxes answered OK at once), the report on
// standard output, one line per report line.

#include <cstdio>

#include "services/memory_window_services.hpp"

namespace orthelev {

class ConsoleWindowServices : public MemoryWindowServices {
 public:
  ConsoleWindowServices(std::FILE* out = stdout, std::FILE* err = stderr) : out_(out), err_(err) {}

  void SetQuiet(bool quiet) { quiet_ = quiet; }

  void SetStatusText(const std::string& text) override;
  void AppendReportLine(const std::string& text) override;
  MessageButton ShowMessageBox(const std::string& text, MessageKind kind, MessageButton buttons,
                               int helpContext) override;
  void ShowGeneralError(const std::string& text) override;

 private:
  std::FILE* out_;
  std::FILE* err_;
  bool quiet_ = false;
};

// A report or message text with each CR LF (or lone CR or LF) turned into "\n".
std::string ToConsoleLines(const std::string& text);

}  // namespace orthelev
