// Runs every registered widget test class on one QApplication.

#include <QApplication>

#include "qt/qt_test_registry.hpp"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  int failures = 0;
  for (const auto& make : orthelev::testing::QtTestClasses()) {
    std::unique_ptr<QObject> tests(make());
    failures += QTest::qExec(tests.get(), argc, argv);
  }
  return failures == 0 ? 0 : 1;
}
