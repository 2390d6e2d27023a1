// Message boxes and the file dialog on the real widgets: texts, icon,
// button, placement over the main window on two screens, a model picked
// whose file is missing, and the filter translation.

#include <QFileDialog>
#include <QTest>

#include "conversion/log_formats.hpp"
#include "flags/program_flags.hpp"
#include "qt/desktop_fixture.hpp"
#include "qt/file_filters.hpp"
#include "qt/qt_test_registry.hpp"

namespace orthelev::testing {

class DialogsTest : public DesktopTestCase {
  Q_OBJECT

 private:
  // Picks the model at `index` in the model box as the user would.
  void PickModel(int index) {
    Main().ComboBoxGeoid->setCurrentIndex(index);
    emit Main().ComboBoxGeoid->activated(index);
  }

 private slots:
  void MessageBoxIsCentredOverTheMainWindowInsideItsScreen() {
    Start();
    struct Case {
      QPoint mainAt;
      const char* expect;  // where the box ends up
    };
    const Case cases[] = {
        {{689, 425}, "centred"},
        // Mostly on the left screen, reaching into the right one: that screen's right edge.
        {{1600, 425}, "right edge of the left screen"},
        // Mostly on the right screen: its left edge.
        {{1700, 425}, "left edge of the right screen"},
        {{-300, -100}, "top left of the left screen"},
        {{2500, 900}, "bottom of the right screen"},  // the second screen, 1920..3200 x 0..1024
    };
    for (const Case& c : cases) {
      Main().move(c.mainAt);
      ModalAnswerer answerer;
      Window().ShowMessageBox("Can't create: /x/day1_g.nmea");
      QCOMPARE(answerer.seen.size(), size_t{1});
      const SeenDialog& box = answerer.seen[0];
      QCOMPARE(box.title, QString("Error"));
      QCOMPARE(box.text, QString("Can't create: /x/day1_g.nmea"));
      QCOMPARE(box.icon, QMessageBox::Critical);
      QCOMPARE(box.buttons, 1);
      const int w = box.frame.width(), h = box.frame.height();
      const QPoint centred(c.mainAt.x() + (542 - w) / 2, c.mainAt.y() + (189 - h) / 2);
      const QString where = c.expect;
      if (where == "centred") QCOMPARE(box.frame.topLeft(), centred);
      if (where.startsWith("right edge"))
        QCOMPARE(box.frame.topLeft(), QPoint(1920 - w, centred.y()));
      if (where.startsWith("left edge")) QCOMPARE(box.frame.topLeft(), QPoint(1920, centred.y()));
      if (where.startsWith("top left")) QCOMPARE(box.frame.topLeft(), QPoint(0, 0));
      if (where.startsWith("bottom")) QCOMPARE(box.frame.topLeft(), QPoint(centred.x(), 1024 - h));
    }
  }

  void EachKindHasItsTitleAndSymbol() {
    Start();
    const struct {
      MessageKind kind;
      const char* title;
      QMessageBox::Icon icon;
    } kinds[] = {
        {MessageKind::Error, "Error", QMessageBox::Critical},
        {MessageKind::Warning, "Warning", QMessageBox::Warning},
        {MessageKind::Information, "Information", QMessageBox::Information},
        {MessageKind::Confirmation, "Confirm", QMessageBox::Question},
        {MessageKind::Custom, "orthelev", QMessageBox::NoIcon},
    };
    for (const auto& k : kinds) {
      ModalAnswerer answerer;
      Window().ShowMessageBox("Line 1\r\nLine 2", k.kind);
      QCOMPARE(answerer.seen.size(), size_t{1});
      QCOMPARE(answerer.seen[0].title, QString(k.title));
      QCOMPARE(answerer.seen[0].icon, k.icon);
      QCOMPARE(answerer.seen[0].text, QString("Line 1\nLine 2"));
    }
  }

  void PickedModelWithAMissingFileIsLocatedThroughTheDialog() {
    Start();
    ModalAnswerer answerer([this](QWidget* dialog) {
      auto* files = qobject_cast<QFileDialog*>(dialog);
      QVERIFY(files);
      QCOMPARE(files->nameFilters(), QStringList{"Custom Geoid file(*.cdat) (*.cdat)"});
      QCOMPARE(files->directory().absolutePath() + "/", QString::fromStdString(folder_->Folder()));
      files->selectFile(QString::fromStdString(folder_->File("test.cdat")));
      static_cast<QDialog*>(files)->accept();
    });
    PickModel(0);  // "Custom Geoid": its file name is cleared, so it is asked for
    QCOMPARE(answerer.seen.size(), size_t{1});
    QCOMPARE(answerer.seen[0].title, QString("Open"));
    QCOMPARE(Main().LabelWaiting->text(), QString("test.cdat"));
    QCOMPARE(TheSettings().customFname, std::string("test.cdat"));
    QCOMPARE(TheSettings().dataFolder, folder_->Folder());
    const SDialog& record = TheSettings().gridDialog;
    QCOMPARE(record.SFileName, folder_->File("test.cdat"));
    QCOMPARE(record.SFilter, std::string("Custom Geoid file(*.cdat)|*.cdat"));
    QVERIFY(!TheActiveGrid().open);  // validated, then closed again
    QCOMPARE(Main().StatusText(), std::string());
  }

  void CancelledSearchForAModelFileEndsInTheErrorBox() {
    Start();
    ModalAnswerer answerer([](QWidget* dialog) {
      if (qobject_cast<QFileDialog*>(dialog))
        static_cast<QDialog*>(dialog)->reject();
      else
        ModalAnswerer::ClickOk(dialog);
    });
    PickModel(2);  // "EGM2008 1'x1'", not in the data folder
    QCOMPARE(answerer.seen.size(), size_t{2});
    QCOMPARE(answerer.seen[0].title, QString("Open"));
    QCOMPARE(answerer.seen[1].title, QString("Error"));
    QCOMPARE(answerer.seen[1].text, QString("Geoid file is not found: \n") +
                                        QString::fromStdString(TheSettings().egm10.fname));
    QCOMPARE(TheSettings().gridDialog.SFilter, "Geoid file|" + TheSettings().egm10.fname);
    QVERIFY(!TheActiveGrid().open);
  }

  void OnlyAPickOrAChangedTextSelectsTheModel() {
    // EGM2008 2.5' is restored and its file is missing: selecting it opens
    // the file dialog. Moving the focus or pressing Enter on the text as it
    // was restored selects nothing.
    folder_->Dir().Write("orthelev.ini", "[Option]\r\nGeoidModel=EGM2008 2.5'x2.5'\r\nDataPath=" +
                                             folder_->Folder() + "\r\n");
    Start();
    QVERIFY(QTest::qWaitForWindowActive(&Main()));
    QComboBox* box = Main().ComboBoxGeoid;
    QCOMPARE(box->currentText(), QString("EGM2008 2.5'x2.5'"));
    struct Case {
      const char* what;
      std::function<void()> commit;
      bool selects;
    };
    const Case cases[] = {
        {"Tab out",
         [box] {
           box->setFocus();
           QTest::keyClick(box, Qt::Key_Tab);
           QVERIFY(!box->hasFocus());
         },
         false},
        {"focus moved by a click",
         [this, box] {
           box->setFocus();
           QTest::mouseClick(Main().EditLat, Qt::LeftButton);
           Main().EditLat->setFocus();
         },
         false},
        {"Enter",
         [box] {
           box->setFocus();
           QTest::keyClick(box, Qt::Key_Return);
         },
         false},
        {"another model typed, then Enter",
         [box] {
           box->setFocus();
           box->lineEdit()->selectAll();
           QTest::keyClicks(box, "egm2008 1'x1'");
           QTest::keyClick(box, Qt::Key_Return);
         },
         true},
    };
    for (const Case& c : cases) {
      ModalAnswerer answerer([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
      c.commit();
      QTest::qWait(20);
      QVERIFY2(answerer.seen.empty() != c.selects, c.what);
      if (c.selects) QCOMPARE(answerer.seen[0].title, QString("Open"));
    }
  }

  void FiltersTranslateToQtAndBackUnchanged() {
    const std::string filters[] = {
        std::string(kInitialOpenFilter),
        "NMEA+CSV file (*.nme, *.nmea, *.csv)|*.nme;*.nmea;*.csv|NMEA file (*.nme, *.nmea)"
        "|*.nme;*.nmea|CSV file (*.csv)|*.csv|All file (*.*)|*.*",
        // an empty description pair and a leading ";"
        "NMEA+CSV file (, *.csv)|;*.csv|NMEA file ()||CSV file (*.csv)|*.csv|All file (*.*)|*.*",
        "Cliped GEOID|*.cdat",
        "Custom Geoid file(*.cdat)|*.cdat",
        "Geoid file|Und_min1x1_egm2008_isw=82_WGS84_TideFree_SE",
        "",
    };
    for (const std::string& filter : filters) QCOMPARE(FilterFromQt(QtNameFilters(filter)), filter);
    QCOMPARE(QtNameFilters("CSV, Nmea|*.csv;*.nmea|All|*.*"),
             (QStringList{"CSV, Nmea (*.csv *.nmea)", "All (*)"}));
  }
};

ORTHELEV_QT_TEST(DialogsTest);

class ReportLabelTest : public DesktopTestCase {
  Q_OBJECT

 private slots:

  void ClickingReportShowsThenHides() {
    Start();
    TFormReport& report = Report();
    QTest::mouseClick(Main().LabelReport, Qt::LeftButton);
    QVERIFY(report.isVisible());
    // Centred over the main window (689, 425, 542 x 189).
    QCOMPARE(report.frameGeometry().topLeft(),
             QPoint(689 + (542 - 426) / 2, 425 + (189 - 286) / 2));
    QTest::mouseClick(Main().LabelReport, Qt::LeftButton);
    QVERIFY(!report.isVisible());
  }

  void MinimisedReportIsRestoredMaximisedOneStays() {
    Start();
    TFormReport& report = Report();
    report.showMinimized();
    QTest::mouseClick(Main().LabelReport, Qt::LeftButton);
    QVERIFY(report.isVisible());
    QVERIFY(!report.isMinimized());
    report.showMaximized();
    QTest::mouseClick(Main().LabelReport, Qt::LeftButton);
    QVERIFY(report.isVisible());
    QVERIFY(report.isMaximized());
  }

  void HiddenStartKeepsTheReportHidden() {
    Start();
    TheFlags().startHidden = true;
    QTest::mouseClick(Main().LabelReport, Qt::LeftButton);
    QVERIFY(!Report().isVisible());
  }

  void FailedFilePopsTheReportUp() {
    Start();
    Main().EditSorce->setText(QString::fromStdString(folder_->File("missing.nmea")));
    QTest::mouseClick(Main().ButtonConvert, Qt::LeftButton);
    QVERIFY(Report().isVisible());
    QCOMPARE(Main().StatusText(), std::string(" Done with error."));
    const std::string report = Report().ReportText();
    QVERIFY2(report.find("  Can not open: missing.nmea\n\n Done with error.") != std::string::npos,
             report.c_str());
  }
};

ORTHELEV_QT_TEST(ReportLabelTest);

}  // namespace orthelev::testing

#include "dialogs_test.moc"
