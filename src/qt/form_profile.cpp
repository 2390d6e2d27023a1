#include "qt/form_profile.hpp"

#include <algorithm>

#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "conversion/height_profile.hpp"
#include "conversion/profile_picture.hpp"
#include "qt/placement_qt.hpp"
#include "services/placement.hpp"

namespace orthelev {

TFormProfile::TFormProfile() {
  setObjectName("FormProfile");
  setWindowTitle("Profile");
  setAttribute(Qt::WA_QuitOnClose, false);
  ComboBoxFile = new QComboBox(this);
  ComboBoxFile->setObjectName("ComboBoxFile");
  PictureProfile = new PictureWidget(this);
  PictureProfile->setObjectName("PictureProfile");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(ComboBoxFile);
  layout->addWidget(PictureProfile, 1);
  connect(ComboBoxFile, &QComboBox::currentIndexChanged, this, [this] { ShowPicked(); });
  resize(648, 400);
}

void TFormProfile::Refresh() {
  if (shownRevision_ == TheProfiles().revision) return;
  shownRevision_ = TheProfiles().revision;
  const QString picked = ComboBoxFile->currentText();
  {
    const QSignalBlocker quiet(ComboBoxFile);
    ComboBoxFile->clear();
    for (const FileProfile& file : TheProfiles().files)
      ComboBoxFile->addItem(QString::fromStdString(file.name));
    ComboBoxFile->setCurrentIndex(std::max(0, ComboBoxFile->findText(picked, Qt::MatchExactly)));
  }
  ShowPicked();
}

void TFormProfile::Pick(const std::string& name) {
  const int index = ComboBoxFile->findText(QString::fromStdString(name), Qt::MatchExactly);
  if (index >= 0) ComboBoxFile->setCurrentIndex(index);
}

void TFormProfile::ShowBeside(const QWidget& beside) {
  Refresh();
  if (!isVisible()) {  // placed when it appears; the user may move it after
    const QRect own = frameGeometry();
    const ScreenPoint at =
        PlaceBeside(ToScreenRect(beside.frameGeometry()), own.width(), own.height(),
                    ToScreenRect(beside.screen()->availableGeometry()));
    move(at.left, at.top);
  }
  show();
}

void TFormProfile::ShowPicked() {
  PictureProfile->SetPicture(ProfilePictureAt(ComboBoxFile->currentIndex()));
}

}  // namespace orthelev
