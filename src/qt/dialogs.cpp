#include "qt/dialogs.hpp"

#include <QFile>
#include <QShowEvent>

#include "qt/file_filters.hpp"
#include "qt/placement_qt.hpp"

namespace orthelev {

QString WithNewlines(const QString& text) {
  QString lines = text;
  lines.replace("\r\n", "\n");
  lines.replace('\r', '\n');
  return lines;
}

PlacedMessageBox::PlacedMessageBox(const FramedWindow* owner, const QString& title,
                                   const QString& text, Icon icon)
    : QMessageBox(icon, title, WithNewlines(text), QMessageBox::Ok,
                  const_cast<FramedWindow*>(owner)),
      owner_(owner) {
  setObjectName("MessageBox");
  setTextFormat(Qt::PlainText);
}

void PlacedMessageBox::showEvent(QShowEvent* event) {
  QMessageBox::showEvent(event);  // gives the box its final size
  if (owner_) PlaceOver(this, owner_);
}

PlacedFileDialog::PlacedFileDialog(const FramedWindow* owner)
    : QFileDialog(const_cast<FramedWindow*>(owner)), owner_(owner) {
  setObjectName("OpenDialog1");
  setWindowTitle("Open");
  setOption(QFileDialog::DontUseNativeDialog);
  setOption(QFileDialog::HideNameFilterDetails);
  setAcceptMode(QFileDialog::AcceptOpen);
  setFileMode(QFileDialog::AnyFile);
}

void PlacedFileDialog::showEvent(QShowEvent* event) {
  QFileDialog::showEvent(event);
  if (owner_) PlaceOver(this, owner_);
}

void ShowMessageBoxOf(const FramedWindow* owner, MessageKind kind, const std::string& text,
                      const std::string& programTitle) {
  struct Look {
    QString title;
    QMessageBox::Icon icon;
  };
  Look look{"Error", QMessageBox::Critical};
  switch (kind) {
    case MessageKind::Error:
      break;
    case MessageKind::Warning:
      look = {"Warning", QMessageBox::Warning};
      break;
    case MessageKind::Information:
      look = {"Information", QMessageBox::Information};
      break;
    case MessageKind::Confirmation:
      look = {"Confirm", QMessageBox::Question};
      break;
    case MessageKind::Custom:
      look = {QString::fromStdString(programTitle), QMessageBox::NoIcon};
      break;
  }
  PlacedMessageBox box(owner, look.title, QString::fromStdString(text), look.icon);
  box.exec();
}

bool RunFileDialog(const FramedWindow* owner, SDialog& dialog, std::vector<std::string>& chosen) {
  chosen.clear();
  PlacedFileDialog box(owner);
  box.setDirectory(QFile::decodeName(dialog.SInitDir.c_str()));
  box.setNameFilters(QtNameFilters(dialog.SFilter));
  if (!dialog.SFileName.empty()) box.selectFile(QFile::decodeName(dialog.SFileName.c_str()));
  const bool confirmed = box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty();
  dialog.SFilter = FilterFromQt(box.nameFilters());
  if (!confirmed) return false;
  for (const QString& file : box.selectedFiles())
    chosen.push_back(QFile::encodeName(file).toStdString());
  dialog.SFileName = chosen.front();
  return true;
}

}  // namespace orthelev
