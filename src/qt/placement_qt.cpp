#include "qt/placement_qt.hpp"

#include <vector>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include "services/placement.hpp"

namespace orthelev {

namespace {

// How long a window manager may take to frame a newly shown window.
constexpr int kFrameWaitMs = 1000;

bool HasWindowManagerFrames() { return QGuiApplication::platformName() != "offscreen"; }

}  // namespace

ScreenRect ToScreenRect(const QRect& rect) {
  return ScreenRect{rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

QMargins CurrentFrameMargins(const QWidget* window) {
  const QWindow* handle = window->windowHandle();
  return window->isVisible() && handle ? handle->frameMargins() : QMargins();
}

QMargins FramedWindow::FrameMargins() const {
  const QMargins current = CurrentFrameMargins(this);
  if (!current.isNull()) frame_ = current;
  if (frame_.isNull() && !probed_ && !isVisible() && HasWindowManagerFrames())
    frame_ = ProbeFrameMargins();
  return frame_;
}

QMargins FramedWindow::ProbeFrameMargins() const {
  probed_ = true;  // once: without a window manager no frame ever comes
  auto* self = const_cast<FramedWindow*>(this);
  const Qt::WindowStates state = windowState();
  self->showMinimized();
  QElapsedTimer waited;
  waited.start();
  QMargins frame;
  while ((frame = CurrentFrameMargins(this)).isNull() && waited.elapsed() < kFrameWaitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  self->hide();
  self->setWindowState(state);
  return frame;
}

QRect FramedWindow::FrameRect() const { return geometry().marginsAdded(FrameMargins()); }

void FramedWindow::MoveFrameTo(const QPoint& topLeft) {
  const QMargins frame = FrameMargins();
  // The inner geometry: unlike move(), it means the same before and after
  // the window manager has framed the window.
  setGeometry(QRect(topLeft + QPoint(frame.left(), frame.top()), size()));
}

ScreenRect WorkAreaOf(const FramedWindow* window) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  std::vector<ScreenRect> monitors;
  for (const QScreen* screen : screens) monitors.push_back(ToScreenRect(screen->geometry()));
  const ScreenRect outer = ToScreenRect(window->FrameRect());
  const int nearest = NearestMonitor(outer, monitors);
  const QScreen* screen = nearest >= 0 ? screens[nearest] : QGuiApplication::primaryScreen();
  return screen ? ToScreenRect(screen->availableGeometry()) : outer;
}

void PlaceOver(QWidget* dialog, const FramedWindow* owner) {
  QMargins frame = CurrentFrameMargins(dialog);
  if (frame.isNull()) frame = owner->FrameMargins();
  const QRect outer = dialog->geometry().marginsAdded(frame);
  const ScreenPoint at = CenterOver(ToScreenRect(owner->FrameRect()), outer.width(), outer.height(),
                                    WorkAreaOf(owner));
  dialog->setGeometry(QRect(QPoint(at.left + frame.left(), at.top + frame.top()), dialog->size()));
}

}  // namespace orthelev
