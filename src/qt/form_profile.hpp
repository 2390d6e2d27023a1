#pragma once
// The profile window beside the report window: the files of the last batch
// in a list, and the height profile of the one picked (in the list, or by
// clicking its lines in the report).

#include <cstdint>
#include <string>

#include <QComboBox>
#include <QWidget>

#include "qt/picture_widget.hpp"

namespace orthelev {

class TFormProfile : public QWidget {
  Q_OBJECT

 public:
  TFormProfile();

  // Brings the list up to the batch's profiles (a new batch starts it
  // again) and shows the picked file's profile.
  void Refresh();
  // Picks the file named `name` when the batch has its profile.
  void Pick(const std::string& name);
  // Shows the window with its left edge at the right of `beside`'s frame.
  void ShowBeside(const QWidget& beside);

  QComboBox* ComboBoxFile;
  PictureWidget* PictureProfile;

 private:
  void ShowPicked();

  std::uint64_t shownRevision_ = ~std::uint64_t{0};  // of TheProfiles(), none yet
};

}  // namespace orthelev
