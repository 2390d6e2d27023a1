#pragma once
// Helpers of the desktop program's widget tests: a temporary program folder
// with a settings file, a small custom geoid grid and generated NMEA logs;
// the program's windows started on it; answers to modal dialogs.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "conversion/batch.hpp"
#include "geoid/active_grid.hpp"
#include "program/program_state.hpp"
#include "qt/desktop_program.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"
#include "support/program_folder.hpp"

namespace orthelev::testing {

// The program's windows on a fresh program state.
inline std::unique_ptr<DesktopProgram> StartProgram(const SettingsLocation& where,
                                                    std::vector<std::string> parameters = {}) {
  ResetProgramState();
  return std::make_unique<DesktopProgram>(where, std::move(parameters));
}

// Base of the test classes that drive started windows: each test function
// gets a fresh program folder; Start() opens the program on it.
class DesktopTestCase : public QObject {
  Q_OBJECT

 protected:
  // Starts the program with the parameters and, when `activate`, runs its
  // first activation.
  void Start(std::vector<std::string> parameters = {}, bool activate = true) {
    program_ = StartProgram(folder_->Location(), std::move(parameters));
    if (activate) Main().ApplicationEvents1Idle();
  }
  TFormMain& Main() { return program_->FormMain; }
  TFormReport& Report() { return program_->FormReport; }

  std::unique_ptr<ProgramFolder> folder_;
  std::unique_ptr<DesktopProgram> program_;

 private slots:
  void init() { folder_ = std::make_unique<ProgramFolder>(); }
  void cleanup() {
    program_.reset();
    folder_.reset();
    ResetProgramState();
  }
};

// What a modal dialog showed when it was answered.
struct SeenDialog {
  QString title, text;
  QRect frame;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
};

// While alive, answers every modal dialog as it appears: `answer` (by
// default a click on OK) after recording what it showed.
class ModalAnswerer {
 public:
  using Answer = std::function<void(QWidget*)>;
  explicit ModalAnswerer(Answer answer = ClickOk) : answer_(std::move(answer)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }

  static void ClickOk(QWidget* dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) box->button(QMessageBox::Ok)->click();
  }

  std::vector<SeenDialog> seen;

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal == last_) return;
    last_ = modal;
    SeenDialog record{modal->windowTitle(), {}, modal->frameGeometry()};
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      record.text = box->text();
      record.icon = box->icon();
      record.buttons = static_cast<int>(box->buttons().size());
    }
    seen.push_back(record);
    answer_(modal);
  }

  Answer answer_;
  QTimer timer_;
  QPointer<QWidget> last_;  // null again once that dialog is gone
};

// Runs `action` once, at the first pending-events point of a conversion
// (its status shows the progress).
class DuringConversion {
 public:
  DuringConversion(const TFormMain& main, std::function<void()> action)
      : main_(main), action_(std::move(action)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (done_ || main_.StatusText().find("NMEA file (") == std::string::npos) return;
      done_ = true;
      action_();
    });
    timer_.start(1);
  }
  bool Done() const { return done_; }

 private:
  const TFormMain& main_;
  std::function<void()> action_;
  QTimer timer_;
  bool done_ = false;
};

}  // namespace orthelev::testing
