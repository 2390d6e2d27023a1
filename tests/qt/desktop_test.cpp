// The desktop program under a real window manager (scripts/with-desktop.sh
// runs these on Xvfb with openbox): where the framed window and its boxes
// land, what restarts keep, and where the focus goes.

#include <filesystem>

#include <QAbstractItemView>
#include <QAccessible>
#include <QDrag>
#include <QFileDialog>
#include <QMimeData>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "ini/profile_file.hpp"
#include "qt/desktop_fixture.hpp"
#include "qt/placement_qt.hpp"
#include "qt/qt_test_registry.hpp"
#include "services/placement.hpp"

namespace orthelev::testing {

namespace {

constexpr int kTimeoutMs = 5000;

bool Framed(const QWidget& window) {
  return window.isVisible() && window.windowHandle() &&
         !window.windowHandle()->frameMargins().isNull();
}

// The outer rectangle as the window manager framed it.
QRect Outer(const QWidget& window) {
  return window.geometry().marginsAdded(window.windowHandle()->frameMargins());
}

// Waits until the window's frame has stayed put for a while (the window
// manager and the program may each move it once after it is mapped).
bool WaitUntilAtRest(const QWidget& window) {
  QRect last;
  int still = 0;
  return QTest::qWaitFor(
      [&] {
        const QRect now = Outer(window);
        still = now == last ? still + 1 : 0;
        last = now;
        return still >= 5;
      },
      kTimeoutMs);
}

QRect WorkArea(const QWidget& window) { return window.screen()->availableGeometry(); }

// Where a window of `frame`'s size is centred over `owner` inside `work`.
QPoint CentredOver(const QRect& owner, const QRect& frame, const QRect& work) {
  const ScreenPoint at =
      CenterOver(ToScreenRect(owner), frame.width(), frame.height(), ToScreenRect(work));
  return {at.left, at.top};
}

// The frame's top-left as the settings file stores it.
QPoint SavedPlace(const std::string& settingsFile) {
  ProfileFile file;
  if (!file.Load(settingsFile)) return {};
  const auto left = file.Find("Option", "MainLeft");
  const auto top = file.Find("Option", "MainTop");
  if (!left || !top) return {};
  return {std::stoi(*left), std::stoi(*top)};
}

// Runs xdotool, which acts on this display as a user would (XTest input).
bool XDoTool(const QStringList& arguments) {
  QProcess tool;
  tool.start("xdotool", arguments);
  return tool.waitForFinished(kTimeoutMs) && tool.exitStatus() == QProcess::NormalExit &&
         tool.exitCode() == 0;
}

QStringList ScreenPoint(const QWidget& widget) {
  const QPoint at = widget.mapToGlobal(widget.rect().center());
  return {QString::number(at.x()), QString::number(at.y())};
}

// Drags the file from where the pointer is over `target` with the real X
// pointer (xdotool presses, moves and releases it); what the drop did.
Qt::DropAction DragFileOver(QWidget& target, const std::string& path) {
  const QStringList at = ScreenPoint(target);
  const QString x = at[0], y = at[1], near = QString::number(at[0].toInt() + 8);
  QProcess pointer;
  pointer.start("xdotool", {"mousemove", x, y, "sleep", "0.3", "mousedown", "1", "mousemove", near,
                            y, "sleep", "0.2", "mousemove", x, y, "sleep", "0.3", "mouseup", "1"});
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  auto* drag = new QDrag(&target);
  drag->setMimeData(mime);
  const Qt::DropAction action = drag->exec(Qt::CopyAction);
  pointer.waitForFinished(kTimeoutMs);
  return action;
}

}  // namespace

class DesktopTest : public DesktopTestCase {
  Q_OBJECT

 private:
  // Starts the program and waits until the window manager has framed the
  // window and the frame has come to rest.
  bool StartFramed(std::vector<std::string> parameters = {}) {
    Start(std::move(parameters));
    if (!QTest::qWaitFor([this] { return Framed(Main()); }, kTimeoutMs)) return false;
    if (!QTest::qWaitForWindowExposed(&Main(), kTimeoutMs)) return false;
    return WaitUntilAtRest(Main());
  }

  void CloseProgram() {
    Main().close();
    program_.reset();
  }

 private slots:
  void RestartsKeepTheCentredFrameWhereItWas() {
    std::filesystem::remove(folder_->SettingsFile());
    QPoint first;
    for (int run = 0; run < 3; ++run) {
      QVERIFY(StartFramed());
      const QRect frame = Outer(Main());
      if (run == 0) {
        // A fresh start centres the frame, title bar included, in the work area.
        const QRect work = WorkArea(Main());
        first = QPoint(work.left() + (work.width() - frame.width()) / 2,
                       work.top() + (work.height() - frame.height()) / 2);
      }
      QCOMPARE(frame.topLeft(), first);
      CloseProgram();
      QCOMPARE(SavedPlace(folder_->SettingsFile()), first);
    }
  }

  void StoredPlacesKeepTheCaptionInTheWorkAreaOnEitherStart() {
    struct Case {
      const char* stored;
      QPoint frameAt;  // from the work area's top-left
    };
    const Case cases[] = {
        {"MainTop=-20\r\nMainLeft=-1\r\n", {0, 0}},  // what a creeping window saved
        {"MainTop=100\r\nMainLeft=200\r\n", {200, 100}},
    };
    for (const Case& c : cases) {
      for (const bool hidden : {false, true}) {
        const QString what = QString(c.stored) + (hidden ? " hidden start" : "");
        folder_->WriteSettings(c.stored);
        const std::string log = folder_->WriteNmea("day1.nmea", 1);
        if (hidden) {
          Start({log, "/H"});
          Main().showNormal();  // the user restores the program
          QVERIFY2(QTest::qWaitFor([this] { return Framed(Main()); }, kTimeoutMs),
                   qPrintable(what));
          QVERIFY(WaitUntilAtRest(Main()));
        } else {
          QVERIFY2(StartFramed(), qPrintable(what));
        }
        const QRect work = WorkArea(Main());
        QCOMPARE(Outer(Main()).topLeft(), work.topLeft() + c.frameAt);
        QVERIFY2(Main().geometry().top() > work.top(), qPrintable(what));  // the caption shows
        CloseProgram();
        QCOMPARE(SavedPlace(folder_->SettingsFile()), work.topLeft() + c.frameAt);
      }
    }
  }

  void FocusReturnsToConvertWhenTheBatchEnds() {
    QVERIFY(StartFramed());
    Main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&Main(), kTimeoutMs));
    Main().EditSorce->setText(QString::fromStdString(folder_->WriteNmea("day1.nmea", 3)));
    Main().ButtonConvert->setFocus();
    QTest::keyClick(Main().ButtonConvert, Qt::Key_Space);
    QVERIFY(std::filesystem::exists(folder_->File("day1_g.nmea")));
    QCOMPARE(QApplication::focusWidget(), Main().ButtonConvert);
    // Enter now converts again instead of closing the program.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(Main().isVisible());
  }

  void BoxesAreCentredOverTheFrameInEveryState() {
    // EGM2008 1' is chosen and its file is missing: a batch asks for it
    // with the file dialog and, cancelled, ends in the error box.
    const std::string log = folder_->WriteNmea("day1.nmea", 1);
    folder_->Dir().Write("orthelev.ini", "[Option]\r\nGeoidModel=EGM2008 1'x1'\r\nDataPath=" +
                                             folder_->Folder() + "\r\n");
    struct Seen {
      QString title;
      QRect frame;
    };
    for (const char* state : {"shown", "minimised", "hidden start"}) {
      std::vector<Seen> seen;
      ModalAnswerer answerer([&seen](QWidget* dialog) {
        QVERIFY(QTest::qWaitFor([dialog] { return Framed(*dialog); }, kTimeoutMs));
        QVERIFY(WaitUntilAtRest(*dialog));
        seen.push_back({dialog->windowTitle(), Outer(*dialog)});
        static_cast<QDialog*>(dialog)->reject();
      });
      if (QString(state) == "hidden start") {
        Start({log, "/H"});
        QTest::qWait(100);
        QVERIFY(!Main().isVisible() || Main().isMinimized());  // until the user restores it
      } else {
        QVERIFY(StartFramed());
        if (QString(state) == "minimised") Main().showMinimized();
        Main().EditSorce->setText(QString::fromStdString(log));
        Main().ButtonConvertClick();
      }
      QCOMPARE(seen.size(), size_t{2});
      QCOMPARE(seen[0].title, QString("Open"));
      QCOMPARE(seen[1].title, QString("Error"));
      // Where the window is, or shows when restored.
      Main().showNormal();
      QVERIFY(QTest::qWaitFor([this] { return Framed(Main()); }, kTimeoutMs));
      QVERIFY(WaitUntilAtRest(Main()));
      const QRect main = Outer(Main());
      for (const Seen& box : seen)
        QCOMPARE(box.frame.topLeft(), CentredOver(main, box.frame, WorkArea(Main())));
      CloseProgram();
    }
  }

  void CommandLineBatchInAChildProcess() {
    const std::string program = folder_->File("orthelev");  // its settings beside it
    std::filesystem::copy_file(ORTHELEV_PROGRAM, program);
    const std::string day1 = folder_->WriteNmea("day1.nmea", 3);
    folder_->Dir().Write("a.xyz", "");
    folder_->Dir().Write("a_g.nmea", "");
    folder_->Dir().Write("refused.csv", "no column names\r\n");
    struct Case {
      std::vector<std::string> parameters;
      int status;  // -1: the program stays, hidden, after the batch
    };
    const Case cases[] = {
        {{day1, "/H", "/Q"}, 0},
        {{folder_->File("none.nmea"), "/H", "/Q"}, 1},
        {{folder_->File("a.xyz"), "/H", "/Q"}, 1},
        {{folder_->File("a_g.nmea"), "/H", "/Q"}, 1},
        {{folder_->File("refused.csv"), "/H", "/Q"}, 1},
        {{folder_->File("none.nmea"), day1, "/Q"}, 1},
        {{day1, "/H"}, -1},
    };
    for (const Case& c : cases) {
      std::filesystem::remove(folder_->File("day1_g.nmea"));
      QStringList arguments;
      for (const std::string& parameter : c.parameters)
        arguments << QString::fromStdString(parameter);
      const QString what = arguments.join(" ");
      QProcess child;
      child.start(QString::fromStdString(program), arguments);
      if (c.status >= 0) {
        QVERIFY2(child.waitForFinished(30000), qPrintable(what));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QVERIFY2(child.exitCode() == c.status, qPrintable(what));
        continue;
      }
      QVERIFY(QTest::qWaitFor(
          [this] { return std::filesystem::exists(folder_->File("day1_g.nmea")); }, kTimeoutMs));
      QVERIFY2(!child.waitForFinished(1500), qPrintable(what));  // the batch is over
      // No window of it shows until the user restores it.
      QVERIFY(!XDoTool({"search", "--onlyvisible", "--pid", QString::number(child.processId())}));
      child.kill();
      child.waitForFinished(kTimeoutMs);
    }
  }

  void WheelOverTheModelBoxKeepsTheModel() {
    QVERIFY(StartFramed());
    QComboBox* box = Main().ComboBoxGeoid;
    const QString model = box->currentText();
    QVERIFY(!box->hasFocus());
    ModalAnswerer answerer([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    QVERIFY(XDoTool(QStringList{"mousemove"} + ScreenPoint(*box)));
    QVERIFY(QTest::qWaitFor([box] { return box->underMouse(); }, kTimeoutMs));
    for (const char* button : {"4", "5"}) {
      QVERIFY(XDoTool({"click", button}));
      QTest::qWait(200);
      QCOMPARE(box->currentText(), model);
      QVERIFY(answerer.seen.empty());
    }
  }

  void DropDuringABatchIsRefusedAtThePointer() {
    QVERIFY(StartFramed());
    const std::string other = folder_->WriteNmea("other.nmea", 2);
    QCOMPARE(DragFileOver(*Main().EditSorce, other), Qt::CopyAction);  // no batch: taken
    QVERIFY(std::filesystem::exists(folder_->File("other_g.nmea")));
    std::filesystem::remove(folder_->File("other_g.nmea"));

    const std::string input = folder_->WriteNmea("long.nmea", 20000);
    Main().EditSorce->setText(QString::fromStdString(input));
    Qt::DropAction during = Qt::CopyAction;
    DuringConversion drag(Main(), [&] { during = DragFileOver(*Main().EditSorce, other); });
    Main().ButtonConvertClick();
    QVERIFY(drag.Done());
    QCOMPARE(during, Qt::IgnoreAction);  // the pointer showed it could not drop
    QVERIFY(!std::filesystem::exists(folder_->File("other_g.nmea")));
    QCOMPARE(Main().EditSorce->text().toStdString(), input);
  }

  void ModelListRowsFitTheirText() {
    QVERIFY(StartFramed());
    QComboBox* box = Main().ComboBoxGeoid;
    box->showPopup();
    QVERIFY(QTest::qWaitForWindowExposed(box->view()->window(), kTimeoutMs));
    const int text = box->view()->fontMetrics().height();  // rows have room around it
    for (int row = 0; row < box->count(); ++row) {
      const int height = box->view()->visualRect(box->model()->index(row, 0)).height();
      QVERIFY2(height >= text + 4, qPrintable(box->itemText(row) + ": " + QString::number(height) +
                                              " px, text " + QString::number(text) + " px"));
    }
    box->hidePopup();
  }

  void EveryControlHasItsOwnAccessibleName() {
    QVERIFY(StartFramed());
    QStringList names;
    for (QWidget* control : Main().findChildren<QWidget*>()) {
      if (control->focusPolicy() == Qt::NoFocus || control->window() != &Main() ||
          control->parentWidget() == Main().ComboBoxGeoid)
        continue;  // not a control of the window, or the model box's own text or list
      QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(control);
      QVERIFY(accessible);
      const QString name = accessible->text(QAccessible::Name).trimmed();
      QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
      QVERIFY2(!names.contains(name), qPrintable(control->objectName() + ": " + name));
      names << name;
    }
    QCOMPARE(QAccessible::queryAccessibleInterface(Main().EditSorce)->text(QAccessible::Name),
             QString("Source file"));
  }

  void ReportIsCentredOverTheFrame() {
    QVERIFY(StartFramed());
    Main().LabelReportClick();
    QVERIFY(QTest::qWaitFor([this] { return Framed(Report()); }, kTimeoutMs));
    QVERIFY(WaitUntilAtRest(Report()));
    QCOMPARE(Outer(Report()).topLeft(),
             CentredOver(Outer(Main()), Outer(Report()), WorkArea(Main())));
  }
};

ORTHELEV_DESKTOP_TEST(DesktopTest);

}  // namespace orthelev::testing

#include "desktop_test.moc"
