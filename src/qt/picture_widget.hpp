#pragma once
// A picture (services/picture.hpp) painted with Qt's painter, scaled to the
// widget with its proportions kept.

#include <QWidget>

#include "services/picture.hpp"

namespace orthelev {

class PictureWidget : public QWidget {
  Q_OBJECT

 public:
  explicit PictureWidget(QWidget* parent = nullptr);

  void SetPicture(Picture picture);
  const Picture& CurrentPicture() const { return picture_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Picture picture_;
};

}  // namespace orthelev
