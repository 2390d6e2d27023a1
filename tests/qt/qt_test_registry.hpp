#pragma once
// The widget test classes, each registered by its file with
// ORTHELEV_QT_TEST(Class) (run on the offscreen platform with its fixed
// screens) or ORTHELEV_DESKTOP_TEST(Class) (run on a real X display with a
// window manager), and run by the test program's main.

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QTest>

namespace orthelev::testing {

struct QtTestClass {
  std::function<QObject*()> make;
  bool needsWindowManager = false;
};

inline std::vector<QtTestClass>& QtTestClasses() {
  static std::vector<QtTestClass> classes;
  return classes;
}

inline bool RegisterQtTest(std::function<QObject*()> make, bool needsWindowManager) {
  QtTestClasses().push_back({std::move(make), needsWindowManager});
  return true;
}

}  // namespace orthelev::testing

#define ORTHELEV_QT_TEST(Class)         \
  static const bool registered##Class = \
      ::orthelev::testing::RegisterQtTest([] { return new Class; }, false)
#define ORTHELEV_DESKTOP_TEST(Class)    \
  static const bool registered##Class = \
      ::orthelev::testing::RegisterQtTest([] { return new Class; }, true)
