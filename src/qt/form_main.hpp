#pragma once
// The main window: model group, check group, source line with Browse,
// Convert and Exit, the "Report" label and the status bar. Its handlers call
// the program's logic; a failure escaping one goes to the general error
// display and the window goes on.

#include <functional>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>

#include "program/handler_runner.hpp"
#include "qt/designed_font.hpp"
#include "qt/placement_qt.hpp"
#include "settings/settings_location.hpp"

namespace orthelev {

class TFormReport;
class PictureWidget;

// A label that reports left-button clicks.
class ClickableLabel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

class TFormMain : public FramedWindow {
  Q_OBJECT

 public:
  // `where` locates the settings file; `parameters` are the command line's
  // parameters after the program name.
  TFormMain(SettingsLocation where, std::vector<std::string> parameters);

  // The report window that LabelReportClick shows and hides (not owned).
  void SetReportWindow(TFormReport* report) { report_ = report; }

  // First idle moment: the first-activation sequence, unless the window's
  // activation ran it already.
  void ApplicationEvents1Idle();
  void FormActivate();

  void ComboBoxGeoidSelect();
  // The model box's "Coverage..." (its context menu): the picture of where
  // the model it names has heights, in a window of its own.
  void ShowModelCoverage();
  void ButtonCalcClick();
  void ButtonBrowseClick();
  void ButtonConvertClick();
  void ButtonExitClick();
  void LabelReportClick();
  // Files dropped on the window (local paths).
  void DropFiles(const std::vector<std::string>& paths);

  // Closes the window, or, while a handler is running, as soon as it ends.
  void RequestClose();
  // Runs a handler: a failure escaping it goes to the general error display;
  // a close requested meanwhile takes effect once the outermost handler ends.
  void RunHandler(const std::function<void()>& handler);
  bool HandlerRunning() const { return handlers_.Running(); }

  // Each control's texts as designed, the model box's every entry and the
  // widest texts the logic shows in it: what the font must fit.
  std::vector<DesignedText> DesignedTexts() const;

  // The status bar's text as last set (bytes as given).
  const std::string& StatusText() const { return statusText_; }
  void SetStatusText(const std::string& text);

  QGroupBox* GroupBoxSelect;
  QLabel* Label4;
  QComboBox* ComboBoxGeoid;
  QLabel* LabelWaiting;
  QCheckBox* CheckBoxSpline;
  QGroupBox* GroupBoxCkeck;
  QLabel* Label1;
  QLineEdit* EditLat;
  QLabel* Label2;
  QLineEdit* EditLon;
  QLabel* Label3;
  QLineEdit* EditGeoid;
  QPushButton* ButtonCalc;
  QLabel* Label5;
  QLineEdit* EditSorce;
  QPushButton* ButtonBrowse;
  ClickableLabel* LabelReport = nullptr;
  QPushButton* ButtonConvert;
  QPushButton* ButtonExit;
  QStatusBar* StatusBar1;

 signals:
  // The window has closed and the settings are saved: the program ends.
  void closed();

 protected:
  bool event(QEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void CreateControls();
  void SetTabOrder();
  void ConnectHandlers();
  void ConnectModelBox();
  void FormCreate();
  void ShowMinimizedFromStart();

  SettingsLocation where_;
  std::vector<std::string> parameters_;
  TFormReport* report_ = nullptr;
  PictureWidget* coverage_ = nullptr;  // a window, made at its first use
  QLabel* statusPanel_;
  std::string statusText_;
  HandlerRunner handlers_{[this] { close(); }};
  bool closed_ = false;
  bool modelTextEdited_ = false;   // typed into the model box since its last commit
  bool mappingMinimized_ = false;  // shown minimised, the window system's answer pending
};

}  // namespace orthelev
