#include "console/console_window_services.hpp"

#include "platform/platform.hpp"

namespace orthelev {

namespace {

constexpr const char* kClearToLineEnd = "\x1b[K";

void Write(std::FILE* stream, const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

void WriteLine(std::FILE* stream, const std::string& text) {
  Write(stream, ToConsoleLines(text) + "\n");
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

ConsoleWindowServices::ConsoleWindowServices(std::FILE* out, std::FILE* err)
    : out_(out),
      err_(err),
      errTerminal_(platform::IsTerminal(err)),
      outTerminal_(platform::IsTerminal(out)) {}

ConsoleWindowServices::~ConsoleWindowServices() { EndStatusLine(); }

void ConsoleWindowServices::SetStatusText(const std::string& text) {
  MemoryWindowServices::SetStatusText(text);
  if (quiet_ || (statusOpen_ && text == status_) || (!statusOpen_ && text.empty())) return;
  if (errTerminal_) Write(err_, "\r" + text + kClearToLineEnd);
  status_ = text;
  statusOpen_ = !text.empty();
}

void ConsoleWindowServices::EndStatus() { EndStatusLine(); }

void ConsoleWindowServices::EndStatusLine() {
  if (!statusOpen_) return;
  statusOpen_ = false;
  Write(err_, errTerminal_ ? std::string("\n") : ToConsoleLines(status_) + "\n");
}

void ConsoleWindowServices::AppendReportLine(const std::string& text) {
  // On a terminal shared with the status line the report line takes the
  // status line's place and the status is drawn again below it.
  const bool sharedTerminal = errTerminal_ && outTerminal_ && statusOpen_;
  if (sharedTerminal) Write(err_, std::string("\r") + kClearToLineEnd);
  WriteLine(out_, text);
  if (sharedTerminal) Write(err_, status_);
}

MessageButton ConsoleWindowServices::ShowMessageBox(const std::string& text, MessageKind,
                                                    MessageButton buttons, int) {
  ShowGeneralError(text);
  return buttons;
}

void ConsoleWindowServices::ShowGeneralError(const std::string& text) {
  EndStatusLine();
  WriteLine(err_, "Error: " + text);
}

}  // namespace orthelev
