#include "console/console_window_services.hpp"

namespace orthelev {

namespace {

void WriteLine(std::FILE* stream, const std::string& text) {
  const std::string line = ToConsoleLines(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fflush(stream);
}

}  // namespace

std::string ToConsoleLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += text[i];
    }
  }
  return lines;
}

void ConsoleWindowServices::SetStatusText(const std::string& text) {
  MemoryWindowServices::SetStatusText(text);
  if (!quiet_) WriteLine(err_, text);
}

void ConsoleWindowServices::AppendReportLine(const std::string& text) { WriteLine(out_, text); }

MessageButton ConsoleWindowServices::ShowMessageBox(const std::string& text, MessageKind,
                                                    MessageButton buttons, int) {
  WriteLine(err_, "Error: " + text);
  return buttons;
}

void ConsoleWindowServices::ShowGeneralError(const std::string& text) {
  WriteLine(err_, "Error: " + text);
}

}  // namespace orthelev
