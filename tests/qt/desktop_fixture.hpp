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
#include "support/grid_writer.hpp"
#include "support/nmea_text.hpp"
#include "support/temp_dir.hpp"

namespace orthelev::testing {

// The geoid heights of the test grid: a linear function, which both
// interpolations reproduce exactly inside the grid.
inline double LinearGeoid(double lat, double lon) {
  return 20 + 0.5 * (lat - 30) + 0.3 * (lon - 130);
}

// A program folder holding "orthelev.ini" and the custom geoid "test.cdat"
// (30..40 N, 130..145 E, every 0.25 degrees) chosen as the model.
class ProgramFolder {
 public:
  ProgramFolder() {
    const std::int32_t rows = 41, columns = 61;
    folder_.Write("test.cdat", CustomGridBytes(rows, columns, 30, 130, 0.25, 0.25,
                                               [](std::int32_t row, std::int32_t column) {
                                                 return static_cast<float>(LinearGeoid(
                                                     40 - 0.25 * row, 130 + 0.25 * column));
                                               }));
    WriteSettings("");
  }

  // The settings file: the custom model, then `more` (lines ending in CR LF).
  void WriteSettings(const std::string& more) const {
    folder_.Write("orthelev.ini", "[Option]\r\nGeoidModel=Custom Geoid\r\nDataPath=" + Folder() +
                                      "\r\n" + more + "[Custom Geoid]\r\nfname=test.cdat\r\n");
  }

  std::string Folder() const { return folder_.Folder(); }
  std::string File(const std::string& name) const { return folder_.File(name); }
  std::string SettingsFile() const { return File("orthelev.ini"); }
  const TempDir& Dir() const { return folder_; }

  // Writes an NMEA log of `sentences` GGA sentences inside the grid.
  std::string WriteNmea(const std::string& name, int sentences) const {
    std::string text;
    for (int i = 0; i < sentences; ++i)
      text +=
          Signed("$GPGGA,120000.00,3540.0000,N,13945.0000,E,1,08,1.0,100.000,M,40.0,M,,") + "\r\n";
    return folder_.Write(name, text);
  }

  // Where the program running from this folder keeps its settings.
  SettingsLocation Location() const {
    SettingsLocation where;
    where.programFile = File("orthelev");
    where.baseName = "orthelev";
    where.configHome = File("config");
    return where;
  }

 private:
  TempDir folder_;
};

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
