#include "qt/placement_qt.hpp"

#include <vector>

#include <QGuiApplication>
#include <QScreen>

#include "services/placement.hpp"

namespace orthelev {

ScreenRect ToScreenRect(const QRect& rect) {
  return ScreenRect{rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

ScreenRect OuterRect(const QWidget* window) { return ToScreenRect(window->frameGeometry()); }

ScreenRect WorkAreaOf(const QWidget* window) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  std::vector<ScreenRect> monitors;
  for (const QScreen* screen : screens) monitors.push_back(ToScreenRect(screen->geometry()));
  const int nearest = NearestMonitor(OuterRect(window), monitors);
  const QScreen* screen = nearest >= 0 ? screens[nearest] : QGuiApplication::primaryScreen();
  return screen ? ToScreenRect(screen->availableGeometry()) : OuterRect(window);
}

void PlaceOver(QWidget* dialog, const QWidget* owner) {
  const QRect frame = dialog->frameGeometry();
  const ScreenPoint at =
      CenterOver(OuterRect(owner), frame.width(), frame.height(), WorkAreaOf(owner));
  dialog->move(at.left, at.top);
}

}  // namespace orthelev
