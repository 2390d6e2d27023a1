// Runs the registered widget test classes on one QApplication: on the
// offscreen platform those made for its fixed screens, on any other platform
// (an X display with a window manager, scripts/with-desktop.sh) those that
// need a real window manager. "--class NAME" first runs only that class;
// the other arguments go to Qt Test (function names, -o, ...).

#include <cstring>
#include <vector>

#include <QApplication>

#include "qt/qt_test_registry.hpp"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  std::vector<char*> arguments(argv, argv + argc);
  QString only;
  if (arguments.size() > 2 && std::strcmp(arguments[1], "--class") == 0) {
    only = arguments[2];
    arguments.erase(arguments.begin() + 1, arguments.begin() + 3);
  }
  const bool offscreen = QGuiApplication::platformName() == "offscreen";
  int failures = 0;
  for (const auto& test : orthelev::testing::QtTestClasses()) {
    std::unique_ptr<QObject> tests(test.make());
    const QString name = QString(tests->metaObject()->className()).section("::", -1);
    if (only.isEmpty() ? test.needsWindowManager == offscreen : name != only) continue;
    failures += QTest::qExec(tests.get(), static_cast<int>(arguments.size()), arguments.data());
  }
  return failures == 0 ? 0 : 1;
}
