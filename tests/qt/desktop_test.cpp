// The desktop program under a real window manager (scripts/with-desktop.sh
// runs these on Xvfb with openbox): where the framed window and its boxes
// land, what restarts keep, and where the focus goes.

#include <filesystem>

#include <QFileDialog>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "qt/desktop_fixture.hpp"
#include "qt/placement_qt.hpp"
#include "qt/qt_test_registry.hpp"
#include "services/placement.hpp"
#include "settings/profile_file.hpp"

namespace orthelev::testing {

namespace {

constexpr int kTimeoutMs = 5000;

bool Framed(const QWidget& window) {
  return window.isVisible() && window.windowHandle() &&
         !window.windowHandle()->frameMargins().isNull();
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

}  // namespace

class DesktopTest : public DesktopTestCase {
  Q_OBJECT

 private:
  // Starts the program and waits until the window manager has framed the
  // window and the frame has come to rest.
  bool StartFramed(std::vector<std::string> parameters = {}) {
    Start(std::move(parameters));
    if (!QTest::qWaitFor([this] { return Framed(Main()); }, kTimeoutMs)) return false;
    return QTest::qWaitForWindowExposed(&Main(), kTimeoutMs);
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
      const QRect frame = Main().frameGeometry();
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
};

ORTHELEV_DESKTOP_TEST(DesktopTest);

}  // namespace orthelev::testing

#include "desktop_test.moc"
