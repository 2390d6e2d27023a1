#pragma once
// The widget test classes, each registered by its file with
// ORTHELEV_QT_TEST(Class) and run by the test program's main.

#include <functional>
#include <memory>
#include <vector>

#include <QObject>
#include <QTest>

namespace orthelev::testing {

inline std::vector<std::function<QObject*()>>& QtTestClasses() {
  static std::vector<std::function<QObject*()>> classes;
  return classes;
}

inline bool RegisterQtTest(std::function<QObject*()> make) {
  QtTestClasses().push_back(std::move(make));
  return true;
}

}  // namespace orthelev::testing

#define ORTHELEV_QT_TEST(Class)         \
  static const bool registered##Class = \
      ::orthelev::testing::RegisterQtTest([] { return new Class; })
