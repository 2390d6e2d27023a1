#pragma once
// The program's modal dialogs: message boxes and Qt's own file-open dialog,
// each centred over the main window and kept inside its screen's work area
// when shown.

#include <string>
#include <vector>

#include <QFileDialog>
#include <QMessageBox>

#include "qt/placement_qt.hpp"
#include "services/window_services.hpp"

namespace orthelev {

// The text with each CR LF or lone CR turned into "\n", Qt's line break.
QString WithNewlines(const QString& text);

// A message box with one OK button, placed over `owner` when shown.
class PlacedMessageBox : public QMessageBox {
  Q_OBJECT

 public:
  PlacedMessageBox(const FramedWindow* owner, const QString& title, const QString& text, Icon icon);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const FramedWindow* owner_;
};

// The file-open dialog, placed over `owner` when shown; one file per choice,
// names that do not exist accepted.
class PlacedFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  explicit PlacedFileDialog(const FramedWindow* owner);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const FramedWindow* owner_;
};

// Shows the message box of `kind` over `owner` and waits for OK: titled
// "Error" with the error symbol for errors, "Warning", "Information" and
// "Confirm" for the others, and the program's title for custom boxes.
void ShowMessageBoxOf(const FramedWindow* owner, MessageKind kind, const std::string& text,
                      const std::string& programTitle);

// Runs the file-open dialog over `owner` from `dialog` (folder, file name,
// filter) and writes the dialog's filter and, when confirmed, the chosen
// file's full path back into it (the folder stays as it was); `chosen` gets
// the chosen files' full paths. True when confirmed.
bool RunFileDialog(const FramedWindow* owner, SDialog& dialog, std::vector<std::string>& chosen);

}  // namespace orthelev
