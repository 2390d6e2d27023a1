#pragma once
// A window showing a picture (services/picture.hpp) painted with GDI,
// scaled to the window with its proportions kept: the profile window
// (with a drop-down list of the batch's files above the picture) and the
// model's coverage. Hidden, not destroyed, when closed.

#include <cstdint>
#include <windows.h>

#include "services/picture.hpp"

namespace orthelev::win32 {

class PictureWindow {
 public:
  // `withFileList`: the profile window, whose list holds the last batch's files.
  PictureWindow(const wchar_t* title, bool withFileList);
  ~PictureWindow();
  PictureWindow(const PictureWindow&) = delete;
  PictureWindow& operator=(const PictureWindow&) = delete;

  void SetPicture(Picture picture);
  const Picture& CurrentPicture() const { return picture_; }
  // The list brought up to the batch's profiles; the picked one's picture.
  void RefreshProfiles();
  // Shows the window beside `other` (right of it where that fits, else left).
  void ShowBeside(HWND other);
  // Shows the window at its picture's size, in front.
  void ShowSized();
  void SetFont(HFONT font);

  HWND Handle = nullptr;
  HWND FileList = nullptr;  // null without a file list

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void ShowPicked();
  RECT PictureArea() const;

  Picture picture_;
  std::uint64_t shownRevision_ = ~std::uint64_t{0};  // of TheProfiles(), none yet
};

// Paints the picture into `area` of `dc`, scaled to fit.
void PaintPicture(HDC dc, const RECT& area, const Picture& picture);

}  // namespace orthelev::win32
