#include "qt/designed_font.hpp"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

namespace orthelev {

namespace {

constexpr const char* kTahoma = "Tahoma";
// Wine's faces as Debian's fonts-wine installs them, outside fontconfig's folders.
constexpr const char* kWineTahoma[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                       "/usr/share/wine/fonts/tahomabd.ttf"};
constexpr int kSmallestPixels = 6;
// QLineEdit keeps this many pixels free on either side of its text.
constexpr int kLineEditMargin = 2;

int LineEditRoom(const QLineEdit* edit) {
  QStyleOptionFrame option;
  option.initFrom(edit);
  option.rect = edit->rect();
  option.lineWidth = edit->hasFrame()
                         ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit)
                         : 0;
  const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit);
  const QMargins text = edit->textMargins();
  return contents.width() - 2 * kLineEditMargin - text.left() - text.right();
}

int ButtonRoom(const QAbstractButton* button, QStyle::SubElement contents) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.rect = button->rect();
  option.text = button->text();
  return button->style()->subElementRect(contents, &option, button).width();
}

bool AllFit(const QFont& font, const std::vector<DesignedText>& texts) {
  const QFontMetricsF metrics(font);
  for (const DesignedText& shown : texts)
    if (metrics.horizontalAdvance(shown.text) > TextRoom(shown.control)) return false;
  return true;
}

}  // namespace

bool ProvideTahoma() {
  if (QFontDatabase::hasFamily(kTahoma)) return true;
  for (const char* file : kWineTahoma) QFontDatabase::addApplicationFont(file);
  return QFontDatabase::hasFamily(kTahoma);
}

int TextRoom(const QWidget* control) {
  if (auto* combo = qobject_cast<const QComboBox*>(control); combo && combo->isEditable()) {
    // Where the combo box puts its (frameless) line edit, also before it is shown.
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.rect = combo->rect();
    option.editable = true;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    return field.width() - 2 * kLineEditMargin;
  }
  if (auto* edit = qobject_cast<const QLineEdit*>(control)) return LineEditRoom(edit);
  if (auto* box = qobject_cast<const QCheckBox*>(control))
    return ButtonRoom(box, QStyle::SE_CheckBoxContents);
  if (auto* button = qobject_cast<const QPushButton*>(control))
    return ButtonRoom(button, QStyle::SE_PushButtonContents);
  if (auto* label = qobject_cast<const QLabel*>(control))
    return label->contentsRect().width() - 2 * std::max(label->margin(), 0);
  return control->width();
}

QFont FittingFont(const QString& family, int pixels, const std::vector<DesignedText>& texts) {
  QFont font(family);
  font.setPixelSize(std::max(pixels, kSmallestPixels));
  while (font.pixelSize() > kSmallestPixels && !AllFit(font, texts))
    font.setPixelSize(font.pixelSize() - 1);
  return font;
}

}  // namespace orthelev
