#pragma once
// The windows' font on this system. The windows are laid out in pixels for
// Tahoma at 11 pixels (8 points at 96 dots per inch); where Tahoma is not
// installed, Wine's metric-compatible Tahoma (Debian: fonts-wine) stands in,
// and whatever face is used is made just small enough that every designed
// text fits its control.

#include <vector>

#include <QFont>
#include <QString>
#include <QWidget>

namespace orthelev {

// Makes "Tahoma" available to the program: the installed face, else Wine's
// from its folder. False when neither is there.
bool ProvideTahoma();

// The width in pixels in which `control` shows a text without clipping it:
// what its frame, margins, arrow or check box leave.
int TextRoom(const QWidget* control);

// A text a control is designed to show.
struct DesignedText {
  const QWidget* control;
  QString text;
};

// `family` at `pixels` pixels or, where one of `texts` would not fit its
// control, at the largest smaller size at which all fit (6 pixels at least).
QFont FittingFont(const QString& family, int pixels, const std::vector<DesignedText>& texts);

}  // namespace orthelev
