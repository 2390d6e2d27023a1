#pragma once
// Window services for tests: records every status text, report line and
// message box in order, and answers message boxes OK at once. Install it
// with the ProgramState fixture below, which also resets program-wide state.

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "conversion/batch.hpp"
#include "conversion/conversion_state.hpp"
#include "geoid/active_grid.hpp"
#include "program/program_state.hpp"
#include "services/memory_window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev::testing {

class RecordingWindowServices : public MemoryWindowServices {
 public:
  std::vector<std::string> statuses;
  std::vector<std::string> reportLines;
  std::vector<std::string> messages;
  // Everything in call order, prefixed "status: ", "report: ", "message: ",
  // "clear report", "show report", "events".
  std::vector<std::string> events;
  int pendingEventCalls = 0;

  void SetStatusText(const std::string& text) override {
    MemoryWindowServices::SetStatusText(text);
    statuses.push_back(text);
    events.push_back("status: " + text);
  }
  void ProcessPendingEvents() override {
    ++pendingEventCalls;
    if (onPendingEvents) onPendingEvents();
  }
  void AppendReportLine(const std::string& text) override {
    reportLines.push_back(text);
    events.push_back("report: " + text);
  }
  void ClearReport() override {
    reportLines.clear();
    events.push_back("clear report");
  }
  void ShowReport() override { events.push_back("show report"); }
  MessageButton ShowMessageBox(const std::string& text, MessageKind, MessageButton buttons,
                               int) override {
    messages.push_back(text);
    events.push_back("message: " + text);
    return buttons;
  }

  void ShowGeneralError(const std::string& text) override {
    messages.push_back(text);
    events.push_back("error: " + text);
  }

  // The file dialog answers these in turn: a full path confirms it, an
  // empty text cancels; with none left the dialog is cancelled. Each showing
  // is recorded as the record it was opened with.
  std::vector<std::string> dialogAnswers;
  std::vector<SDialog> dialogsShown;
  bool RunOpenDialog(SDialog& dialog, std::vector<std::string>& chosen) override {
    dialogsShown.push_back(dialog);
    events.push_back("dialog: " + dialog.SFilter);
    chosen.clear();
    if (dialogAnswers.empty()) return false;
    const std::string answer = dialogAnswers.front();
    dialogAnswers.erase(dialogAnswers.begin());
    if (answer.empty()) return false;
    dialog.SFileName = answer;
    chosen.push_back(answer);
    return true;
  }

  // The report as the report window shows it: one entry per line, a CR LF
  // inside an appended text starting a new line.
  std::vector<std::string> DisplayedReport() const {
    std::vector<std::string> lines;
    for (const std::string& text : reportLines) {
      size_t start = 0, end;
      while ((end = text.find("\r\n", start)) != std::string::npos) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
      }
      lines.push_back(text.substr(start));
    }
    return lines;
  }

  // Runs inside ProcessPendingEvents, as a user's key press would.
  std::function<void()> onPendingEvents;
};

// Fixture: every program-wide state at its start value, with a recording
// window installed.
class ProgramState : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    InstallWindowServices(&window);
  }
  void TearDown() override {
    InstallWindowServices(nullptr);
    ResetProgramState();
  }
  RecordingWindowServices window;
};

}  // namespace orthelev::testing
