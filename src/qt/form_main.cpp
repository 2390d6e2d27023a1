#include "qt/form_main.hpp"

#include <QCloseEvent>
#include <QCompleter>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QUrl>

#include "conversion/batch.hpp"
#include "flags/program_flags.hpp"
#include "models/geoid_check.hpp"
#include "models/model_selection.hpp"
#include "program/program.hpp"
#include "qt/form_report.hpp"
#include "qt/picture_widget.hpp"
#include "services/window_services.hpp"

namespace orthelev {

namespace {

constexpr char kEnter = '\r';

template <typename Widget>
Widget* Place(Widget* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(name);
  widget->setGeometry(left, top, width, height);
  return widget;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, Qt::Alignment alignment,
                  int left, int top, int width, int height) {
  auto* label = Place(new QLabel(text, parent), name, left, top, width, height);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(alignment | Qt::AlignVCenter);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint,
                        int left, int top, int width, int height) {
  auto* button = Place(new QPushButton(caption, parent), name, left, top, width, height);
  button->setToolTip(hint);
  button->setAutoDefault(true);  // Enter on a focused button clicks it
  return button;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const char* text, int left, int top,
                    int width) {
  return Place(new QLineEdit(text, parent), name, left, top, width, 21);
}

bool IsDragOrDrop(const QEvent* event) {
  return event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
         event->type() == QEvent::Drop;
}

bool CarriesLocalFiles(const QMimeData* mime) {
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) return true;
  return false;
}

// Files are taken while no batch runs: a running batch keeps its list, so a
// drop then is refused (the pointer shows it cannot drop), not queued.
bool TakesDroppedFiles(const QMimeData* mime) {
  return CarriesLocalFiles(mime) && !TheBatch().running;
}

bool IsEnter(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A dropped path as the platform's file name: no trailing "/" on folders.
std::string DroppedPath(const QUrl& url) {
  std::string path = QFile::encodeName(url.toLocalFile()).toStdString();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Rows of the model list with room above and below their text: the style's
// own rows are as high as the text alone.
class ModelListRows : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    constexpr int kPadding = 3;  // pixels above and below the text
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    return size.expandedTo(QSize(0, option.fontMetrics.height() + 2 * kPadding));
  }
};

}  // namespace

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    emit clicked();
}

TFormMain::TFormMain(SettingsLocation where, std::vector<std::string> parameters)
    : where_(std::move(where)), parameters_(std::move(parameters)) {
  setObjectName("FormMain");
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  ProvideTahoma();
  setFont(QFont("Tahoma", 8));
  setFixedSize(542, 189);  // neither enlarged nor maximised beyond its designed size
  // Designed to open centred on the screen: where boxes shown before the
  // settings have placed it are centred.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  CreateControls();
  SetTabOrder();
  ConnectHandlers();
  FormCreate();
  // The first idle moment of the event loop.
  QTimer::singleShot(0, this, &TFormMain::ApplicationEvents1Idle);
}

void TFormMain::CreateControls() {
  const Qt::Alignment right = Qt::AlignRight;
  GroupBoxSelect = Place(new QGroupBox(" Geoid select ", this), "GroupBoxSelect", 8, 8, 217, 80);
  Label4 = MakeLabel(GroupBoxSelect, "Label4", "Geoid model", right, 2, 25, 71, 13);
  ComboBoxGeoid = Place(new QComboBox(GroupBoxSelect), "ComboBoxGeoid", 77, 22, 130, 21);
  ComboBoxGeoid->setEditable(true);
  ComboBoxGeoid->setInsertPolicy(QComboBox::NoInsert);
  ComboBoxGeoid->addItems({"EGM2008 2.5'x2.5'", "EGM2008 1'x1'", "GSIGEO 2011", "Custom Geoid"});
  ComboBoxGeoid->setEditText("EGM2008 2.5'x2.5'");
  ComboBoxGeoid->setItemDelegate(new ModelListRows(ComboBoxGeoid));
  // Beneath the check box, which covers it while both are shown.
  LabelWaiting = MakeLabel(GroupBoxSelect, "LabelWaiting", "", Qt::AlignHCenter, 10, 50, 195, 13);
  CheckBoxSpline = Place(new QCheckBox("Spline interpolation", GroupBoxSelect), "CheckBoxSpline",
                         77, 49, 122, 17);

  GroupBoxCkeck = Place(new QGroupBox(" Geoid check ", this), "GroupBoxCkeck", 231, 8, 300, 80);
  Label1 = MakeLabel(GroupBoxCkeck, "Label1", "Latitude", right, 2, 25, 58, 13);
  EditLat = MakeEdit(GroupBoxCkeck, "EditLat", "35 40 37.8", 62, 22, 95);
  Label2 = MakeLabel(GroupBoxCkeck, "Label2", "Longitude", right, 2, 50, 58, 13);
  EditLon = MakeEdit(GroupBoxCkeck, "EditLon", "139 44 52.3", 62, 47, 95);
  Label3 = MakeLabel(GroupBoxCkeck, "Label3", "Geoid(m)", right, 157, 25, 58, 13);
  EditGeoid = MakeEdit(GroupBoxCkeck, "EditGeoid", "", 219, 22, 70);
  ButtonCalc =
      MakeButton(GroupBoxCkeck, "ButtonCalc", "Check", "Geoid is calculated", 219, 46, 70, 23);

  Label5 = MakeLabel(this, "Label5", "Source file", right, 1, 109, 65, 13);
  EditSorce = MakeEdit(this, "EditSorce", "", 68, 106, 463);
  ButtonBrowse =
      MakeButton(this, "ButtonBrowse", "Browse", "OpenDialog is opened", 68, 132, 75, 25);
  LabelReport = Place(new ClickableLabel("Report", this), "LabelReport", 317, 138, 33, 13);
  LabelReport->setTextFormat(Qt::PlainText);
  LabelReport->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  LabelReport->setCursor(Qt::PointingHandCursor);
  LabelReport->adjustSize();  // sizes itself to its text, unlike the fixed labels
  ButtonConvert =
      MakeButton(this, "ButtonConvert", "Convert", "Conversion is started", 371, 132, 75, 25);
  ButtonExit = MakeButton(this, "ButtonExit", "Exit", "Close", 456, 132, 75, 25);

  // Each field is named by its label (screen readers would otherwise name
  // the boxes of a group by the group's title).
  Label4->setBuddy(ComboBoxGeoid);
  Label1->setBuddy(EditLat);
  Label2->setBuddy(EditLon);
  Label3->setBuddy(EditGeoid);
  Label5->setBuddy(EditSorce);

  StatusBar1 = Place(new QStatusBar(this), "StatusBar1", 0, 170, 542, 19);
  StatusBar1->setSizeGripEnabled(false);
  statusPanel_ = new QLabel(StatusBar1);
  statusPanel_->setObjectName("StatusPanel");
  statusPanel_->setTextFormat(Qt::PlainText);
  statusPanel_->setMinimumWidth(50);
  StatusBar1->addWidget(statusPanel_, 1);
}

void TFormMain::SetTabOrder() {
  const QList<QWidget*> order = {ComboBoxGeoid, CheckBoxSpline, EditLat,   EditLon,
                                 EditGeoid,     ButtonCalc,     EditSorce, ButtonBrowse,
                                 ButtonConvert, ButtonExit};
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TFormMain::ConnectHandlers() {
  connect(ButtonCalc, &QPushButton::clicked, this, &TFormMain::ButtonCalcClick);
  connect(ButtonBrowse, &QPushButton::clicked, this, &TFormMain::ButtonBrowseClick);
  connect(ButtonConvert, &QPushButton::clicked, this, &TFormMain::ButtonConvertClick);
  connect(ButtonExit, &QPushButton::clicked, this, &TFormMain::ButtonExitClick);
  connect(LabelReport, &ClickableLabel::clicked, this, &TFormMain::LabelReportClick);
  for (QLineEdit* edit : {EditLat, EditLon, EditSorce}) edit->installEventFilter(this);
  // Files dropped on an edit box or the model box are dropped on the window.
  for (QWidget* target :
       {static_cast<QWidget*>(EditLat), static_cast<QWidget*>(EditLon),
        static_cast<QWidget*>(EditGeoid), static_cast<QWidget*>(EditSorce),
        static_cast<QWidget*>(ComboBoxGeoid), static_cast<QWidget*>(ComboBoxGeoid->lineEdit())})
    target->installEventFilter(this);
  ConnectModelBox();
}

void TFormMain::ShowModelCoverage() {
  Picture picture;
  RunHandler([&picture] { picture = ModelCoverageOnRequest(); });
  if (picture.width == 0) return;
  if (!coverage_) {
    coverage_ = new PictureWidget(this);
    coverage_->setObjectName("PictureCoverage");
    coverage_->setWindowFlag(Qt::Window);
    coverage_->setAttribute(Qt::WA_QuitOnClose, false);
  }
  coverage_->SetPicture(std::move(picture));
  coverage_->resize(coverage_->sizeHint());
  coverage_->show();
  coverage_->raise();
}

void TFormMain::ConnectModelBox() {
  // The model is selected when the user picks an item from the list (or
  // steps through it with the arrow keys; the wheel is kept off it). Qt's editable combo
  // box also "activates" an item when its text is committed by Enter or by
  // the focus leaving it; those commits select only text the user changed.
  QLineEdit* text = ComboBoxGeoid->lineEdit();
  disconnect(text, &QLineEdit::editingFinished, ComboBoxGeoid, nullptr);
  disconnect(text, &QLineEdit::returnPressed, ComboBoxGeoid, nullptr);
  if (QCompleter* completer = ComboBoxGeoid->completer()) completer->disconnect(ComboBoxGeoid);
  connect(ComboBoxGeoid, &QComboBox::activated, this, &TFormMain::ComboBoxGeoidSelect);
  connect(text, &QLineEdit::textEdited, this, [this] { modelTextEdited_ = true; });
  // "Coverage..." in the box's own menu, and alone over the rest of its group
  // (as the Windows program offers it).
  text->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(text, &QLineEdit::customContextMenuRequested, this, [this, text](const QPoint& at) {
    QMenu* menu = text->createStandardContextMenu();
    menu->addSeparator();
    menu->addAction("Coverage...", this, &TFormMain::ShowModelCoverage);
    menu->exec(text->mapToGlobal(at));
    delete menu;
  });
  GroupBoxSelect->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(GroupBoxSelect, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu;
    menu.addAction("Coverage...", this, &TFormMain::ShowModelCoverage);
    menu.exec(GroupBoxSelect->mapToGlobal(at));
  });
  connect(text, &QLineEdit::editingFinished, this, [this, text] {
    if (!modelTextEdited_) return;
    modelTextEdited_ = false;
    const int index = ComboBoxGeoid->findText(text->text(), Qt::MatchFixedString);
    if (index < 0) return;
    ComboBoxGeoid->setCurrentIndex(index);
    ComboBoxGeoidSelect();
  });
}

void TFormMain::FormCreate() {
  orthelev::FormCreate();
  setWindowState(Qt::WindowMinimized);
}

void TFormMain::ApplicationEvents1Idle() {
  if (TheFlags().initialized) return;
  hide();
  FormActivate();
  // After a hidden start, or when the settings file could not be placed, the
  // window waits minimised for the user: a program without any window could
  // be neither restored nor closed.
  if (!isVisible() && !handlers_.ClosePending() && !closed_) ShowMinimizedFromStart();
}

void TFormMain::ShowMinimizedFromStart() {
  // A window manager may map it normal all the same (openbox does): that
  // first change is its doing, not the user's, and is undone.
  constexpr int kWindowManagerAnswerMs = 1000;
  mappingMinimized_ = true;
  QTimer::singleShot(kWindowManagerAnswerMs, this, [this] { mappingMinimized_ = false; });
  showMinimized();
}

void TFormMain::FormActivate() {
  RunHandler([this] { orthelev::FormActivate(where_, parameters_); });
}

void TFormMain::ComboBoxGeoidSelect() { RunHandler(orthelev::ComboBoxGeoidSelect); }

void TFormMain::ButtonCalcClick() { RunHandler(orthelev::ButtonCalcClick); }

void TFormMain::ButtonBrowseClick() { RunHandler(orthelev::ButtonBrowseClick); }

void TFormMain::ButtonConvertClick() { RunHandler(orthelev::ButtonConvertClick); }

void TFormMain::ButtonExitClick() { close(); }

void TFormMain::LabelReportClick() {
  RunHandler([this] {
    if (!report_) return;
    if (report_->isVisible() &&
        !(report_->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized))) {
      report_->close();
    } else if (report_->windowState() & Qt::WindowMinimized) {
      report_->setWindowState(report_->windowState() & ~Qt::WindowMinimized);
      report_->show();
    } else if (!TheFlags().startHidden) {
      report_->ShowReport();
    }
  });
}

void TFormMain::DropFiles(const std::vector<std::string>& paths) {
  RunHandler([&paths] { orthelev::DropFiles(paths); });
}

void TFormMain::RequestClose() {
  if (!handlers_.DeferClose()) close();
}

void TFormMain::RunHandler(const std::function<void()>& handler) { handlers_.Run(handler); }

std::vector<DesignedText> TFormMain::DesignedTexts() const {
  std::vector<DesignedText> texts;
  for (const QWidget* control : std::initializer_list<const QWidget*>{
           Label4, CheckBoxSpline, Label1, Label2, Label3, ButtonCalc, Label5, ButtonBrowse,
           ButtonConvert, ButtonExit}) {
    if (auto* label = qobject_cast<const QLabel*>(control)) texts.push_back({label, label->text()});
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
      texts.push_back({button, button->text()});
  }
  for (int i = 0; i < ComboBoxGeoid->count(); ++i)
    texts.push_back({ComboBoxGeoid, ComboBoxGeoid->itemText(i)});
  texts.push_back({LabelWaiting, "Please waiting:  Convert to binary file..."});
  texts.push_back({EditGeoid, "Out of range."});
  texts.push_back({EditGeoid, "-9999.9999"});
  texts.push_back({EditLat, EditLat->text()});
  texts.push_back({EditLon, EditLon->text()});
  return texts;
}

void TFormMain::SetStatusText(const std::string& text) {
  statusText_ = text;
  statusPanel_->setText(QString::fromStdString(text));
}

bool TFormMain::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate && !isMinimized()) FormActivate();
  return FramedWindow::event(event);
}

void TFormMain::changeEvent(QEvent* event) {
  FramedWindow::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && mappingMinimized_) {
    mappingMinimized_ = false;  // the window system's answer, or a change the program made
    if (event->spontaneous() && isVisible() && !isMinimized()) {
      setWindowState(windowState() | Qt::WindowMinimized);
      return;
    }
  }
  if (event->type() == QEvent::FontChange && LabelReport) LabelReport->adjustSize();
  // Restored by the user after a hidden start: to the stored place.
  if (event->type() == QEvent::WindowStateChange && TheFlags().startHidden && isVisible() &&
      !isMinimized())
    FormActivate();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  if (handlers_.DeferClose()) {
    // A batch (or other long work) is running: stop it as Esc would; the
    // window closes once it has ended.
    TheFlags().abortRequested = true;
    event->ignore();
    return;
  }
  RunShowingFailures(orthelev::FormClose);
  closed_ = true;
  event->accept();
  if (report_) report_->hide();
  emit closed();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  // A model changes on a deliberate pick only, never on a wheel passing over.
  if (event->type() == QEvent::Wheel && watched == ComboBoxGeoid) return true;
  if (IsDragOrDrop(event) && CarriesLocalFiles(static_cast<QDropEvent*>(event)->mimeData())) {
    // Never typed into the box as "file://" text.
    if (!acceptDrops() || !TakesDroppedFiles(static_cast<QDropEvent*>(event)->mimeData()))
      event->ignore();
    else if (event->type() == QEvent::Drop)
      dropEvent(static_cast<QDropEvent*>(event));
    else
      static_cast<QDropEvent*>(event)->acceptProposedAction();
    return true;
  }
  const bool enterKey =
      event->type() == QEvent::KeyPress && IsEnter(static_cast<QKeyEvent*>(event));
  char key = kEnter;
  if (enterKey && watched == EditSorce)
    RunHandler([&key] { key = EditSorceKeyPress(key); });
  else if (enterKey && (watched == EditLat || watched == EditLon))
    RunHandler([&key] { key = EditLatKeyPress(key); });
  else
    return FramedWindow::eventFilter(watched, event);
  return key == 0;
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (TakesDroppedFiles(event->mimeData())) event->acceptProposedAction();
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event) {
  if (TakesDroppedFiles(event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void TFormMain::dropEvent(QDropEvent* event) {
  if (!TakesDroppedFiles(event->mimeData())) return event->ignore();
  std::vector<std::string> paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths.push_back(DroppedPath(url));
  event->acceptProposedAction();
  DropFiles(paths);
}

}  // namespace orthelev
