// Starting the check and conversions from the real widgets: buttons, Enter,
// drops, the browse dialog and the command line; Esc and closing during a
// long conversion; starts while a batch runs.

#include <filesystem>

#include <QFileDialog>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "conversion/log_formats.hpp"
#include "flags/program_flags.hpp"
#include "ini/profile_file.hpp"
#include "qt/desktop_fixture.hpp"
#include "qt/qt_test_registry.hpp"
#include "services/placement.hpp"

namespace orthelev::testing {

namespace {

// The corrected copy of each sentence WriteNmea writes: N = 25.7583 at
// 35 40' N, 139 45' E, the altitude keeping altitude + separation.
const std::string kCorrectedSentence =
    Signed("$GPGGA,120000.00,3540.0000,N,13945.0000,E,1,08,1.0,114.2417,M,25.7583,M,,");

std::string FirstLine(const std::string& path) {
  const std::string text = ReadBytes(path);
  return text.substr(0, text.find_first_of("\r\n"));
}

size_t LineCount(const std::string& path) {
  const std::string text = ReadBytes(path);
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

// Drops local files on `target` (the window or one of its controls) as a
// file manager does, with their URLs also as text; false when refused.
bool Drop(QWidget* target, const std::vector<std::string>& paths) {
  QMimeData mime;
  QList<QUrl> urls;
  QStringList lines;
  for (const std::string& path : paths) {
    urls << QUrl::fromLocalFile(QString::fromStdString(path));
    lines << urls.back().toString();
  }
  mime.setUrls(urls);
  mime.setText(lines.join("\n"));
  // As the window system delivers it: to the nearest widget taking drops.
  while (!target->acceptDrops() && !target->isWindow()) target = target->parentWidget();
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDragMoveEvent move(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &move);
  if (!move.isAccepted()) return false;
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(target, &drop);
  return true;
}

// Counts Show events of the watched windows.
class ShowCounter : public QObject {
 public:
  int shows = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) ++shows;
    return false;
  }
};

// Counts Esc key presses that reach the watched widget.
class EscapeCounter : public QObject {
 public:
  int presses = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
      ++presses;
    return false;
  }
};

}  // namespace

class ConversionTest : public DesktopTestCase {
  Q_OBJECT

 private slots:
  void CheckByClickAndByEnterInEitherEdit() {
    Start();
    const QString expected = QString::number(
        LinearGeoid(35 + 40 / 60.0 + 37.8 / 3600, 139 + 44 / 60.0 + 52.3 / 3600), 'f', 4);
    const std::function<void()> roads[] = {
        [this] { QTest::mouseClick(Main().ButtonCalc, Qt::LeftButton); },
        [this] { QTest::keyClick(Main().EditLat, Qt::Key_Return); },
        [this] { QTest::keyClick(Main().EditLon, Qt::Key_Enter); },
    };
    QSignalSpy latEnter(Main().EditLat, &QLineEdit::returnPressed);
    QSignalSpy lonEnter(Main().EditLon, &QLineEdit::returnPressed);
    for (const auto& road : roads) {
      Main().EditGeoid->clear();
      road();
      QCOMPARE(Main().EditGeoid->text(), expected);
    }
    QCOMPARE(latEnter.count() + lonEnter.count(), 0);  // Enter was swallowed
    Main().EditLat->setText("50 0 0");
    QTest::keyClick(Main().EditLat, Qt::Key_Return);
    QCOMPARE(Main().EditGeoid->text(), QString("Out of range."));
  }

  void ConvertsByClickEnterDropAndBrowse() {
    struct Road {
      const char* name;
      std::function<void(TFormMain&, const std::string&)> start;
    };
    const Road roads[] = {
        {"click",
         [](TFormMain& main, const std::string& file) {
           main.EditSorce->setText(QString::fromStdString(file));
           QTest::mouseClick(main.ButtonConvert, Qt::LeftButton);
         }},
        {"Enter",
         [](TFormMain& main, const std::string& file) {
           main.EditSorce->setText(QString::fromStdString(file));
           QTest::keyClick(main.EditSorce, Qt::Key_Return);
         }},
        {"drop", [](TFormMain& main, const std::string& file) { QVERIFY(Drop(&main, {file})); }},
        {"browse",
         [](TFormMain& main, const std::string& file) {
           ModalAnswerer answerer([&file](QWidget* dialog) {
             auto* files = qobject_cast<QFileDialog*>(dialog);
             files->selectFile(QString::fromStdString(file));
             static_cast<QDialog*>(files)->accept();  // as the Open button does
           });
           QTest::mouseClick(main.ButtonBrowse, Qt::LeftButton);
           QCOMPARE(answerer.seen.size(), size_t{1});
           QCOMPARE(answerer.seen[0].title, QString("Open"));
           const ScreenPoint at = CenterOver(
               ScreenRect{689, 425, 689 + 542, 425 + 189}, answerer.seen[0].frame.width(),
               answerer.seen[0].frame.height(), ScreenRect{0, 0, 1920, 1040});
           QCOMPARE(answerer.seen[0].frame.topLeft(), QPoint(at.left, at.top));
         }},
    };
    for (const Road& road : roads) {
      program_.reset();
      folder_ = std::make_unique<ProgramFolder>();
      Start();
      const std::string input = folder_->WriteNmea("day1.nmea", 3);
      road.start(Main(), input);
      QVERIFY2(std::filesystem::exists(folder_->File("day1_g.nmea")), road.name);
      QCOMPARE(FirstLine(folder_->File("day1_g.nmea")), kCorrectedSentence);
      QCOMPARE(Main().EditSorce->text().toStdString(), input);
      QCOMPARE(Main().StatusText(), std::string(" 3 records done."));
      const std::string report = Report().ReportText();
      QVERIFY2(report.find(" Geoid model: Custom Geoid\n") == 0, report.c_str());
      QVERIFY2(report.find(" NMEA: day1.nmea") != std::string::npos, report.c_str());
      QVERIFY2(report.find(" Done.") != std::string::npos, report.c_str());
      QVERIFY(Main().ButtonConvert->isEnabled());
    }
    // The browse dialog's record: the chosen file, its folder for the next
    // showing, the filter as it was before.
    const SDialog& record = TheSettings().browseDialog;
    QCOMPARE(record.SFileName, folder_->File("day1.nmea"));
    QCOMPARE(record.SInitDir, folder_->Folder());
    QCOMPARE(record.SFilter, BuildOpenFilterFromSettings());
    QVERIFY(record.SFilter.starts_with("NMEA+CSV+GPX file ("));
  }

  void FilesDroppedOnAnyControlAreConverted() {
    Start();
    const std::string input = folder_->WriteNmea("day1.nmea", 3);
    QWidget* const targets[] = {Main().EditSorce,
                                Main().EditLat,
                                Main().EditLon,
                                Main().EditGeoid,
                                Main().ComboBoxGeoid->lineEdit(),
                                Main().ButtonConvert,
                                Main().GroupBoxCkeck};
    for (QWidget* target : targets) {
      const QString name = target->objectName();
      std::filesystem::remove(folder_->File("day1_g.nmea"));
      Main().EditSorce->clear();
      QVERIFY2(Drop(target, {input}), qPrintable(name));
      QVERIFY2(std::filesystem::exists(folder_->File("day1_g.nmea")), qPrintable(name));
      QCOMPARE(Main().EditSorce->text().toStdString(), input);
      QCOMPARE(Main().EditLat->text(), QString("35 40 37.8"));
      QCOMPARE(Main().EditLon->text(), QString("139 44 52.3"));
      QCOMPARE(Main().EditGeoid->text(), QString());
      QCOMPARE(Main().ComboBoxGeoid->currentText(), QString("Custom Geoid"));
    }
  }

  void CancelledBrowseChangesNothing() {
    Start();
    Main().EditSorce->setText("typed");
    Main().SetStatusText(" before");
    const SDialog before = TheSettings().browseDialog;
    ModalAnswerer answerer([](QWidget* dialog) { qobject_cast<QDialog*>(dialog)->reject(); });
    QTest::mouseClick(Main().ButtonBrowse, Qt::LeftButton);
    QCOMPARE(answerer.seen.size(), size_t{1});
    QCOMPARE(Main().EditSorce->text(), QString("typed"));
    QCOMPARE(Main().StatusText(), std::string(" before"));
    QCOMPARE(TheSettings().browseDialog.SInitDir, before.SInitDir);
    QCOMPARE(TheSettings().browseDialog.SFileName, before.SFileName);
    QCOMPARE(TheSettings().browseDialog.SFilter, before.SFilter);
    QCOMPARE(Report().ReportText(), std::string());
  }

  void DropsLeaveSettingsFilesOutAndAlwaysStartABatch() {
    const std::string settings = folder_->SettingsFile();
    Start({}, false);
    QVERIFY(!Drop(&Main(), {settings}));  // not before the first activation
    Main().ApplicationEvents1Idle();
    const std::string a = folder_->WriteNmea("a.nmea", 2), b = folder_->WriteNmea("b.nmea", 2);
    QVERIFY(Drop(&Main(), {a, settings, b}));
    QCOMPARE(Main().EditSorce->text().toStdString(), a + ";" + b);
    QVERIFY(std::filesystem::exists(folder_->File("a_g.nmea")));
    QVERIFY(std::filesystem::exists(folder_->File("b_g.nmea")));
    QVERIFY(Drop(&Main(), {settings}));
    QCOMPARE(Main().EditSorce->text(), QString());
    QCOMPARE(Report().ReportText(), std::string(" Geoid model: Custom Geoid\n"));
  }

  void EscStopsALongConversionAndGoesOnToTheWidget() {
    Start();
    const std::string input = folder_->WriteNmea("long.nmea", 40000);
    Main().EditSorce->setText(QString::fromStdString(input));
    EscapeCounter reached;
    Main().EditSorce->installEventFilter(&reached);
    DuringConversion esc(Main(), [this] { QTest::keyClick(Main().EditSorce, Qt::Key_Escape); });
    QTest::mouseClick(Main().ButtonConvert, Qt::LeftButton);
    QVERIFY(esc.Done());
    QCOMPARE(reached.presses, 1);
    QCOMPARE(Main().StatusText(), std::string(" *** Aborted by user ***"));
    const std::string report = Report().ReportText();
    QVERIFY2(
        report.size() > 26 && report.substr(report.size() - 26) == "\n\n *** Aborted by user ***",
        report.c_str());
    // The stopped file leaves no output, and the report says so.
    QVERIFY(!std::filesystem::exists(folder_->File("long_g.nmea")));
    QVERIFY(report.find("  Stopped, no output written : long.nmea") != std::string::npos);
    QVERIFY(Main().ButtonConvert->isEnabled());
  }

  void StartsWhileABatchRunsAreIgnored() {
    Start();
    const std::string input = folder_->WriteNmea("long.nmea", 20000);
    const std::string other = folder_->WriteNmea("other.nmea", 2);
    Main().EditSorce->setText(QString::fromStdString(input));
    ModalAnswerer answerer;
    DuringConversion starts(Main(), [&] {
      QVERIFY(!Main().ComboBoxGeoid->isEnabled());
      QTest::keyClick(Main().EditSorce, Qt::Key_Return);
      QVERIFY(!Drop(&Main(), {other}));  // refused: no copy cursor
      QTest::mouseClick(Main().ButtonBrowse, Qt::LeftButton);
      QTest::mouseClick(Main().ButtonConvert, Qt::LeftButton);
    });
    QTest::mouseClick(Main().ButtonConvert, Qt::LeftButton);
    QVERIFY(starts.Done());
    QVERIFY(answerer.seen.empty());  // no browse dialog
    QCOMPARE(Main().EditSorce->text().toStdString(), input);
    QVERIFY(!std::filesystem::exists(folder_->File("other_g.nmea")));
    QCOMPARE(LineCount(folder_->File("long_g.nmea")), size_t{20000});
    QCOMPARE(Main().StatusText(), std::string(" 20000 records done."));
    QVERIFY(Main().ComboBoxGeoid->isEnabled());
  }

  void CloseDuringABatchStopsItThenClosesAndSaves() {
    Start();
    const std::string input = folder_->WriteNmea("long.nmea", 40000);
    Main().EditSorce->setText(QString::fromStdString(input));
    QSignalSpy closed(&Main(), &TFormMain::closed);
    DuringConversion exit(Main(), [this] {
      QTest::mouseClick(Main().ButtonExit, Qt::LeftButton);
      QVERIFY(TheFlags().abortRequested);
      QVERIFY(Main().isVisible());  // not while the batch still runs
    });
    QTest::mouseClick(Main().ButtonConvert, Qt::LeftButton);
    QVERIFY(exit.Done());
    QCOMPARE(closed.count(), 1);
    QVERIFY(!Main().isVisible());
    QVERIFY(Report().ReportText().find(" *** Aborted by user ***") != std::string::npos);
    QVERIFY(!std::filesystem::exists(folder_->File("long_g.nmea")));
    ProfileFile file;
    QVERIFY(file.Load(folder_->SettingsFile()));
    QCOMPARE(*file.Find("Option", "MainLeft"), std::string("689"));
    QCOMPARE(*file.Find("Option", "Version"), std::string("Orthelev Ver2.07"));
  }

  void HiddenQuittingCommandLineShowsNoWindow() {
    const std::string day1 = folder_->WriteNmea("day1.nmea", 3);
    Start({day1, folder_->File("missing.nmea"), "/h", "/Q"}, false);
    ShowCounter shows;
    Main().installEventFilter(&shows);
    Report().installEventFilter(&shows);
    QSignalSpy closed(&Main(), &TFormMain::closed);
    ModalAnswerer answerer;
    QTest::qWait(1);  // the first idle moment
    QCOMPARE(closed.count(), 1);
    QCOMPARE(shows.shows, 0);
    QVERIFY(answerer.seen.empty());
    QCOMPARE(FirstLine(folder_->File("day1_g.nmea")), kCorrectedSentence);
    QVERIFY(Report().ReportText().find("  Can not open: missing.nmea") != std::string::npos);
    ProfileFile file;
    QVERIFY(file.Load(folder_->SettingsFile()));
    QVERIFY(file.Find("Option", "Version"));
    QVERIFY(!file.Find("Option", "MainTop"));
    QVERIFY(!file.Find("Option", "MainLeft"));
  }

  void CommandLineConvertsInAChildProcess() {
    const std::string program = folder_->File("orthelev");
    std::filesystem::copy_file(ORTHELEV_PROGRAM, program);
    const std::string day1 = folder_->WriteNmea("day1.nmea", 3);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LC_ALL", "de_DE.UTF-8");  // numbers stay "." all the same
    child.setProcessEnvironment(environment);
    child.start(QString::fromStdString(program), {QString::fromStdString(day1), "/H", "/Q"});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(FirstLine(folder_->File("day1_g.nmea")), kCorrectedSentence);
    QCOMPARE(LineCount(folder_->File("day1_g.nmea")), size_t{3});
    ProfileFile file;
    QVERIFY(file.Load(folder_->SettingsFile()));
    QCOMPARE(*file.Find("Option", "Version"), std::string("Orthelev Ver2.07"));
    QCOMPARE(*file.Find("EGM2008_25", "dgla"), std::string("0.0416666666666667"));
    QVERIFY(!file.Find("Option", "MainTop"));
    QVERIFY(!file.Find("Option", "MainLeft"));
  }

  void HelpAndVersionPrintAndExit() {
    const struct {
      const char* option;
      const char* begins;
    } cases[] = {{"--version", "Orthelev Ver2.07\n"}, {"--help", "Usage: orthelev"}};
    for (const auto& c : cases) {
      QProcess child;
      child.start(ORTHELEV_PROGRAM, {c.option});
      QVERIFY(child.waitForFinished(30000));
      QCOMPARE(child.exitCode(), 0);
      QVERIFY2(child.readAllStandardOutput().startsWith(c.begins), c.option);
    }
  }
};

ORTHELEV_QT_TEST(ConversionTest);

}  // namespace orthelev::testing

#include "conversion_test.moc"
