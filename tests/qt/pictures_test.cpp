// The pictures of the desktop program: the profile window beside the report
// holds the series of the file picked in its list or in the report, and the
// model box draws the model's coverage.

#include <QTest>
#include <QTextBlock>

#include "conversion/profile_picture.hpp"
#include "models/model_coverage.hpp"
#include "qt/desktop_fixture.hpp"
#include "qt/qt_test_registry.hpp"

namespace orthelev::testing {

class PicturesTest : public DesktopTestCase {
  Q_OBJECT

 private slots:
  void ProfileWindowShowsThePickedFilesSeries() {
    Start();
    const std::string day1 = folder_->WriteNmea("day1.nmea", 3);
    // Two fixes inside the grid, three north of it: the report comes up.
    std::string away;
    for (const char* lat : {"3540.0000", "3541.0000", "4500.0000", "4501.0000", "4502.0000"})
      away += Signed(std::string("$GPGGA,120000.00,") + lat +
                     ",N,13945.0000,E,1,08,1.0,100.000,M,40.0,M,,") +
              "\r\n";
    folder_->Dir().Write("away.nmea", away);
    Main().EditSorce->setText(QString::fromStdString(day1 + ";" + folder_->File("away.nmea")));
    QTest::mouseClick(Main().ButtonConvert, Qt::LeftButton);

    TFormProfile& profile = program_->FormProfile;
    QVERIFY(Report().isVisible());
    QVERIFY(profile.isVisible());
    QCOMPARE(profile.ComboBoxFile->count(), 2);
    const struct {
      const char* name;
      std::size_t points;   // of the read series: a bucket per record, min = max
      std::size_t written;  // of the written series, which has no point outside
      bool outsideMarked;
    } files[] = {{"day1.nmea", 3, 3, false}, {"away.nmea", 5, 2, true}};
    for (const auto& file : files) {
      // Picked as the user does: by clicking the file's first line in the report.
      const QTextBlock line = Report().Memo1->document()->findBlock(0).next();
      QTextCursor cursor(Report().Memo1->document());
      for (QTextBlock block = line; block.isValid(); block = block.next())
        if (block.text().endsWith(QString(": ") + file.name)) cursor.setPosition(block.position());
      Report().Memo1->setTextCursor(cursor);

      const Picture& picture = profile.PictureProfile->CurrentPicture();
      QCOMPARE(profile.ComboBoxFile->currentText(), QString(file.name));
      QCOMPARE(picture.title, std::string("Height profile: ") + file.name);
      const PictureLine* read = picture.LineNamed(kReadSeries);
      const PictureLine* written = picture.LineNamed(kWrittenSeries);
      QVERIFY(read && written && picture.LineNamed(kGeoidSeries));
      QCOMPARE(read->points.size(), file.points);
      QCOMPARE(written->points.size(), file.written);
      bool outsideMarked = false;
      for (const PictureRect& rect : picture.rects)
        // Under the chart; the legend's swatch is above it.
        outsideMarked =
            outsideMarked || (rect.fill == kOutsideColour && rect.y > picture.height / 2);
      QCOMPARE(outsideMarked, file.outsideMarked);
    }
  }

  void ModelBoxDrawsTheCoverage() {
    Start();
    Main().ShowModelCoverage();
    auto* coverage = Main().findChild<PictureWidget*>("PictureCoverage");
    QVERIFY(coverage && coverage->isVisible());
    const Picture& picture = coverage->CurrentPicture();
    QCOMPARE(picture.title, std::string("Coverage: Custom Geoid"));
    QVERIFY(picture.rects.size() > 20);  // the grid's cells, merged where alike
    QVERIFY(!TheActiveGrid().open);      // sampled, then closed again
  }
};

ORTHELEV_QT_TEST(PicturesTest);

}  // namespace orthelev::testing

#include "pictures_test.moc"
