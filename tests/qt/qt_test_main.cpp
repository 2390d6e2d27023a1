// Runs the registered widget test classes on one QApplication: on the
// offscreen platform those made for its fixed screens, on any other platform
// (an X display with a window manager, scripts/with-desktop.sh) those that
// need a real window manager.

#include <QApplication>

#include "qt/qt_test_registry.hpp"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  const bool offscreen = QGuiApplication::platformName() == "offscreen";
  int failures = 0;
  for (const auto& test : orthelev::testing::QtTestClasses()) {
    if (test.needsWindowManager == offscreen) continue;
    std::unique_ptr<QObject> tests(test.make());
    failures += QTest::qExec(tests.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
