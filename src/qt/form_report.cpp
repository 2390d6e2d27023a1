#include "qt/form_report.hpp"

#include <QScrollBar>
#include <QShowEvent>
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
}

void TFormReport::ClearReport() {
  Memo1->clear();
  appendedSinceClear_ = false;
}

void TFormReport::ShowReport() {
  show();
  raise();
}

std::string TFormReport::ReportText() const { return Memo1->toPlainText().toStdString(); }

void TFormReport::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous() && mainWindow_) PlaceOver(this, mainWindow_);
}

}  // namespace orthelev
