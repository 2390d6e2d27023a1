#include "qt/placement_qt.hpp"

#include <vector>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QTimer>
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
  // A stand-in of the same kind, so that this window is mapped only when
  // shown (a window manager places a window anew each time it is mapped).
  QWidget probe(nullptr, windowFlags());
  probe.setFixedSize(size());
  probe.setAttribute(Qt::WA_DontShowOnScreen, false);
  probe.move(geometry().topLeft());
  probe.showMinimized();
  QElapsedTimer waited;
  waited.start();
  QMargins frame;
  while ((frame = CurrentFrameMargins(&probe)).isNull() && waited.elapsed() < kFrameWaitMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
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

namespace {

void PlaceWithFrame(QWidget* dialog, const FramedWindow* owner, const QMargins& frame) {
  const QRect outer = dialog->geometry().marginsAdded(frame);
  const ScreenPoint at = CenterOver(ToScreenRect(owner->FrameRect()), outer.width(), outer.height(),
                                    WorkAreaOf(owner));
  dialog->setGeometry(QRect(QPoint(at.left + frame.left(), at.top + frame.top()), dialog->size()));
}

// Places a dialog that was placed with its owner's frame again once the
// window manager has given it its own (a resizable dialog's frame differs
// from that of the fixed-size main window), then goes.
class PlaceAgainWhenFramed : public QObject {
 public:
  PlaceAgainWhenFramed(QWidget* dialog, const FramedWindow* owner, const QMargins& estimate)
      : QObject(dialog), dialog_(dialog), owner_(owner), estimate_(estimate) {
    waited_.start();
    connect(&timer_, &QTimer::timeout, this, &PlaceAgainWhenFramed::Check);
    timer_.start(20);
  }

 private:
  void Check() {
    // The frame and the window manager's own placement come in steps: act
    // once both have stayed the same between two checks.
    const QMargins frame = CurrentFrameMargins(dialog_);
    const QRect place = dialog_->geometry();
    const bool settled = !frame.isNull() && frame == lastFrame_ && place == lastPlace_;
    lastFrame_ = frame;
    lastPlace_ = place;
    if (!settled && waited_.elapsed() < kFrameWaitMs) return;
    timer_.stop();
    if (!frame.isNull() && frame != estimate_ && owner_) PlaceWithFrame(dialog_, owner_, frame);
    deleteLater();
  }

  QWidget* dialog_;
  QPointer<const FramedWindow> owner_;
  QMargins estimate_, lastFrame_;
  QRect lastPlace_;
  QTimer timer_;
  QElapsedTimer waited_;
};

}  // namespace

void PlaceOver(QWidget* dialog, const FramedWindow* owner) {
  const QMargins own = CurrentFrameMargins(dialog);
  const QMargins frame = own.isNull() ? owner->FrameMargins() : own;
  PlaceWithFrame(dialog, owner, frame);
  if (own.isNull() && HasWindowManagerFrames()) new PlaceAgainWhenFramed(dialog, owner, frame);
}

}  // namespace orthelev
