#pragma once
// The report window: one editable, wrapping text area holding the report of
// the last batch. Hidden until shown; placed centred over the main window
// each time it is shown.

#include <string>

#include <QPlainTextEdit>
#include <QWidget>

#include "qt/form_profile.hpp"
#include "qt/placement_qt.hpp"

namespace orthelev {

class TFormReport : public QWidget {
  Q_OBJECT

 public:
  TFormReport();

  // Adds the text as a new last line; a CR LF (or lone CR or LF) inside it
  // starts a new line there, and the empty text adds an empty line.
  void AppendReportLine(const std::string& text);
  void ClearReport();
  // Makes the window visible and brings it to the front.
  void ShowReport();
  // The report as plain text, lines separated by "\n".
  std::string ReportText() const;

  // The window the report is centred over when shown (not owned).
  void SetMainWindow(const FramedWindow* mainWindow) { mainWindow_ = mainWindow; }
  // The profile window, shown beside the report with it (not owned).
  void SetProfileWindow(TFormProfile* profile) { profile_ = profile; }

  QPlainTextEdit* Memo1;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  // The file whose report lines hold the cursor, for the profile window.
  void PickFileAtCursor();

  const FramedWindow* mainWindow_ = nullptr;
  TFormProfile* profile_ = nullptr;
  bool appendedSinceClear_ = false;
};

}  // namespace orthelev
