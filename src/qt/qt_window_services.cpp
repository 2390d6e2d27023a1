#include "qt/qt_window_services.hpp"

#include <cmath>

#include <QApplication>
#include <QScreen>

#include "qt/dialogs.hpp"
#include "qt/form_main.hpp"
#include "qt/form_report.hpp"
#include "qt/placement_qt.hpp"
#include "services/memory_window_services.hpp"

namespace orthelev {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

}  // namespace

QtWindowServices::QtWindowServices(TFormMain& formMain, TFormReport& formReport,
                                   std::string programTitle)
    : main_(formMain), report_(formReport), programTitle_(std::move(programTitle)) {}

QtWindowServices::~QtWindowServices() { SetBusyCursor(false); }

void QtWindowServices::SetStatusText(const std::string& text) { main_.SetStatusText(text); }
std::string QtWindowServices::StatusText() const { return main_.StatusText(); }
void QtWindowServices::ProcessPendingEvents() { QCoreApplication::processEvents(); }

void QtWindowServices::SetBusyCursor(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtWindowServices::AppendReportLine(const std::string& text) { report_.AppendReportLine(text); }
void QtWindowServices::ClearReport() { report_.ClearReport(); }
void QtWindowServices::ShowReport() { report_.ShowReport(); }

MessageButton QtWindowServices::ShowMessageBox(const std::string& text, MessageKind kind,
                                               MessageButton buttons, int) {
  ShowMessageBoxOf(&main_, kind, text, programTitle_);
  return buttons;
}

bool QtWindowServices::RunOpenDialog(SDialog& dialog, std::vector<std::string>& chosen) {
  return RunFileDialog(&main_, dialog, chosen);
}

std::string QtWindowServices::GeoidModelText() const {
  return S(main_.ComboBoxGeoid->currentText());
}
void QtWindowServices::SetGeoidModelText(const std::string& text) {
  main_.ComboBoxGeoid->setEditText(Q(text));
}

void QtWindowServices::SetGeoidModelItems(const std::vector<std::string>& items) {
  QStringList list;
  for (const std::string& item : items) list << Q(item);
  main_.ComboBoxGeoid->clear();
  main_.ComboBoxGeoid->addItems(list);
}

std::string QtWindowServices::GeoidModelItem(int index) const {
  return index >= 0 && index < main_.ComboBoxGeoid->count()
             ? S(main_.ComboBoxGeoid->itemText(index))
             : std::string();
}

int QtWindowServices::FindGeoidModelItem(const std::string& text) const {
  const int count = main_.ComboBoxGeoid->count();
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) items.push_back(GeoidModelItem(i));
  return FindEntryIgnoringCase(items, text);
}

void QtWindowServices::ClearGeoidModelSelection() { main_.ComboBoxGeoid->lineEdit()->deselect(); }

bool QtWindowServices::SplineChecked() const { return main_.CheckBoxSpline->isChecked(); }
void QtWindowServices::SetSplineChecked(bool checked) { main_.CheckBoxSpline->setChecked(checked); }
bool QtWindowServices::SplineVisible() const { return !main_.CheckBoxSpline->isHidden(); }
void QtWindowServices::SetSplineVisible(bool visible) { main_.CheckBoxSpline->setVisible(visible); }

void QtWindowServices::SetWaitingText(const std::string& text) {
  main_.LabelWaiting->setText(Q(text));
}
std::string QtWindowServices::LatitudeText() const { return S(main_.EditLat->text()); }
void QtWindowServices::SetLatitudeText(const std::string& text) { main_.EditLat->setText(Q(text)); }
std::string QtWindowServices::LongitudeText() const { return S(main_.EditLon->text()); }
void QtWindowServices::SetLongitudeText(const std::string& text) {
  main_.EditLon->setText(Q(text));
}
void QtWindowServices::SetGeoidText(const std::string& text) { main_.EditGeoid->setText(Q(text)); }
std::string QtWindowServices::SourceText() const { return S(main_.EditSorce->text()); }
void QtWindowServices::SetSourceText(const std::string& text) { main_.EditSorce->setText(Q(text)); }
bool QtWindowServices::ConvertEnabled() const { return main_.ButtonConvert->isEnabled(); }

void QtWindowServices::SetConvertEnabled(bool enabled) {
  if (!enabled && !focusBeforeBatch_) focusBeforeBatch_ = QApplication::focusWidget();
  main_.ButtonConvert->setEnabled(enabled);
  // A model picked during a batch would replace the grid the batch reads.
  main_.ComboBoxGeoid->setEnabled(enabled);
  if (!enabled) {
    // Disabling the focused Convert button moves the focus on (to Exit,
    // where the next Enter would close the program).
    focusMovedTo_ = QApplication::focusWidget();
    return;
  }
  // Back where it was, unless the user has moved it meanwhile.
  if (focusBeforeBatch_ && QApplication::focusWidget() == focusMovedTo_)
    focusBeforeBatch_->setFocus(Qt::OtherFocusReason);
  focusBeforeBatch_ = nullptr;
  focusMovedTo_ = nullptr;
}

void QtWindowServices::SetMainCaption(const std::string& caption) {
  main_.setWindowTitle(Q(caption));
}
void QtWindowServices::AcceptDroppedFiles() { main_.setAcceptDrops(true); }

void QtWindowServices::ShowGeneralError(const std::string& text) {
  PlacedMessageBox box(&main_, Q(programTitle_), Q(text), QMessageBox::Critical);
  box.exec();
}

int QtWindowServices::MainTop() const { return main_.FrameRect().top(); }
int QtWindowServices::MainLeft() const { return main_.FrameRect().left(); }
void QtWindowServices::SetMainTopLeft(int top, int left) { main_.MoveFrameTo(QPoint(left, top)); }
ScreenRect QtWindowServices::MainRect() const { return ToScreenRect(main_.FrameRect()); }
ScreenRect QtWindowServices::WorkArea() const { return WorkAreaOf(&main_); }

int QtWindowServices::DisplayDpi() const {
  const QScreen* screen = main_.screen();
  return screen ? static_cast<int>(screen->logicalDotsPerInchX()) : 96;
}

void QtWindowServices::SetMainWindowState(WindowState state) {
  const Qt::WindowStates current = main_.windowState();
  main_.setWindowState(state == WindowState::Minimized ? current | Qt::WindowMinimized
                                                       : current & ~Qt::WindowMinimized);
}

void QtWindowServices::RestoreApplication() {
  for (QWidget* window : {static_cast<QWidget*>(&main_), static_cast<QWidget*>(&report_)})
    if (window->windowState() & Qt::WindowMinimized)
      window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
}

void QtWindowServices::ShowMainWindow() { main_.show(); }
void QtWindowServices::HideMainWindow() { main_.hide(); }
void QtWindowServices::FocusBrowseButton() { main_.ButtonBrowse->setFocus(); }
void QtWindowServices::CloseMainWindow() { main_.RequestClose(); }

void QtWindowServices::SetFont(const FontChoice& font) {
  // The pixel size the point size has at the display's resolution, as the
  // windows were designed; smaller where a text would not fit.
  const int pixels = static_cast<int>(std::lround(font.sizePoints * DisplayDpi() / 72.0));
  const QFont qfont = FittingFont(Q(font.name), pixels, main_.DesignedTexts());
  main_.setFont(qfont);
  report_.setFont(qfont);
}

}  // namespace orthelev
