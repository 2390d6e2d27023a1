#include "qt/form_report.hpp"

#include <QHideEvent>
#include <QScrollBar>
#include <QShowEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>

#include "qt/dialogs.hpp"
#include "qt/placement_qt.hpp"

namespace orthelev {

TFormReport::TFormReport() {
  setObjectName("FormReport");
  setWindowTitle("Report");
  setAttribute(Qt::WA_QuitOnClose, false);  // closing the main window ends the program
  setFont(QFont("Tahoma", 8));
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName("Memo1");
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(Memo1);
  resize(426, 286);
  connect(Memo1, &QPlainTextEdit::cursorPositionChanged, this, [this] { PickFileAtCursor(); });
}

void TFormReport::AppendReportLine(const std::string& text) {
  const QString lines = WithNewlines(QString::fromStdString(text));
  QTextCursor cursor(Memo1->document());
  cursor.movePosition(QTextCursor::End);
  if (appendedSinceClear_ || !Memo1->document()->isEmpty()) cursor.insertBlock();
  cursor.insertText(lines);
  appendedSinceClear_ = true;
  Memo1->moveCursor(QTextCursor::End);
  Memo1->ensureCursorVisible();
  if (profile_ && profile_->isVisible()) profile_->Refresh();
}

void TFormReport::ClearReport() {
  Memo1->clear();
  appendedSinceClear_ = false;
}

void TFormReport::ShowReport() {
  show();
  raise();
  if (profile_) profile_->ShowBeside(*this);
}

std::string TFormReport::ReportText() const { return Memo1->toPlainText().toStdString(); }

void TFormReport::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous() && mainWindow_) PlaceOver(this, mainWindow_);
}

void TFormReport::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous() && profile_) profile_->hide();
}

// A file's lines begin with " <kind>: <file name>" (" NMEA: walk.nmea").
void TFormReport::PickFileAtCursor() {
  if (!profile_) return;
  for (QTextBlock block = Memo1->textCursor().block(); block.isValid(); block = block.previous()) {
    const QString line = block.text();
    const qsizetype colon = line.indexOf(": ");
    if (line.startsWith(' ') && !line.startsWith("  ") && colon > 1) {
      profile_->Pick(line.mid(colon + 2).toStdString());
      return;
    }
  }
}

}  // namespace orthelev
