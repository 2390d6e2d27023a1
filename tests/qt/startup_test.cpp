// Start-up, first activation, placement of the main window, closing with the
// settings save, and the general error display.

#include <filesystem>
#include <stdexcept>

#include <QSignalSpy>
#include <QTest>

#include "flags/program_flags.hpp"
#include "ini/profile_file.hpp"
#include "qt/desktop_fixture.hpp"
#include "qt/qt_test_registry.hpp"

namespace orthelev::testing {

class StartupTest : public QObject {
  Q_OBJECT

 private slots:
  void FreshStartCentresTheWindowAndClosingWritesEveryKey() {
    ProgramFolder folder;
    std::filesystem::remove(folder.SettingsFile());
    auto program = StartProgram(folder.Location());
    TFormMain& main = program->FormMain;
    QSignalSpy closed(&main, &TFormMain::closed);
    QVERIFY(!main.isVisible());
    QTest::qWait(1);  // the first idle moment
    QCOMPARE(main.windowTitle(), QString("Orthelev Ver2.07"));
    QVERIFY(std::filesystem::exists(folder.SettingsFile()));
    QVERIFY(main.isVisible());
    QVERIFY(!main.isMinimized());
    QCOMPARE(main.focusWidget(), main.ButtonBrowse);
    // Centred in the 1920 x 1040 work area.
    QCOMPARE(main.frameGeometry().topLeft(), QPoint((1920 - 542) / 2, (1040 - 189) / 2));
    QVERIFY(main.acceptDrops());

    QTest::mouseClick(main.ButtonExit, Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(main.StatusText(), std::string(" orthelev.ini  saving..."));
    ProfileFile file;
    QVERIFY(file.Load(folder.SettingsFile()));
    QCOMPARE(file.Encoding(), ProfileEncoding::Utf16Le);
    const std::pair<const char*, std::vector<const char*>> sections[] = {
        {"Option",
         {"Version", "GeoidModel", "Decimal", "Postfix", "DataPath", "OpenPath", "NMEAext",
          "CSVext", "GPXext", "MainTop", "MainLeft", "Latitude", "Longitude"}},
        {"EGM2008_25",
         {"title", "fname", "nrows", "ncols", "glamn", "glomn", "dgla", "dglo", "nlat", "nlon",
          "PrePad"}},
        {"EGM2008_10",
         {"title", "fname", "nrows", "ncols", "glamn", "glomn", "dgla", "dglo", "nlat", "nlon",
          "PrePad"}},
        {"GSI",
         {"title", "fname", "nrows", "ncols", "glamn", "glomn", "dgla", "dglo", "nlat", "nlon",
          "PrePad", "Spline"}},
        {"Custom Geoid", {"fname", "Ext"}},
        {"CSVitem", {"Valid", "Latitude", "NS", "Longitude", "EW", "Height", "Geoid", "Date"}},
        {"Font", {"Charset", "FontName", "FontSize"}},
    };
    for (const auto& [section, keys] : sections)
      for (const char* key : keys) QVERIFY2(file.Find(section, key), key);
    QCOMPARE(*file.Find("Option", "Version"), std::string("Orthelev Ver2.07"));
    QCOMPARE(*file.Find("Option", "MainTop"), std::string("425"));
    QCOMPARE(*file.Find("Option", "MainLeft"), std::string("689"));
    QCOMPARE(*file.Find("Option", "Latitude"), std::string("35 40 37.8"));
  }

  void StoredPositionsArePlacedIntoTheWorkArea() {
    struct Case {
      const char* stored;
      QPoint topLeft;
    };
    const Case cases[] = {
        {"", {689, 425}},
        {"MainTop=300\r\nMainLeft=5000\r\n", {1920 - 542, 300}},
        {"MainTop=-50\r\nMainLeft=100\r\n", {100, 0}},
        {"MainTop=300\r\nMainLeft=2147483647\r\n", {689, 425}},  // either one centres both
        {"MainTop=5000\r\nMainLeft=10\r\n", {10, 1040 - 189}},
    };
    for (const Case& c : cases) {
      ProgramFolder folder;
      folder.WriteSettings(c.stored);
      auto program = StartProgram(folder.Location());
      program->FormMain.ApplicationEvents1Idle();
      QCOMPARE(program->FormMain.frameGeometry().topLeft(), c.topLeft);
    }
  }

  void FirstActivationRunsOnceWhicheverComesFirst() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    TFormMain& main = program->FormMain;
    QEvent activation(QEvent::WindowActivate);
    main.setWindowState(Qt::WindowNoState);
    QCoreApplication::sendEvent(&main, &activation);
    QVERIFY(TheFlags().initialized);
    QCOMPARE(main.windowTitle(), QString("Orthelev Ver2.07"));
    main.EditSorce->setText("typed");
    main.ApplicationEvents1Idle();
    QTest::qWait(1);
    QCOMPARE(main.EditSorce->text(), QString("typed"));  // the command line was not read again
  }

  void ModelPickBeforeTheFirstActivationDoesNothing() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    ModalAnswerer answerer;
    program->FormMain.ComboBoxGeoid->setCurrentIndex(1);
    emit program->FormMain.ComboBoxGeoid->activated(1);
    QVERIFY(answerer.seen.empty());
    QVERIFY(!TheActiveGrid().open);
    QCOMPARE(program->FormMain.StatusText(), std::string());
  }

  void HiddenStartIsPlacedWhenRestored() {
    ProgramFolder folder;
    folder.WriteNmea("day1.nmea", 3);
    auto program = StartProgram(folder.Location(), {folder.File("day1.nmea"), "/H"});
    TFormMain& main = program->FormMain;
    main.ApplicationEvents1Idle();
    QVERIFY(TheFlags().startHidden);
    QVERIFY(!main.isVisible() || main.isMinimized());
    QVERIFY(std::filesystem::exists(folder.File("day1_g.nmea")));
    main.showNormal();
    QVERIFY(!TheFlags().startHidden);
    QCOMPARE(main.frameGeometry().topLeft(), QPoint(689, 425));
  }

  void UnplaceableSettingsFileGoesToTheGeneralErrorDisplay() {
    ProgramFolder folder;
    SettingsLocation where = folder.Location();
    where.configHome = "";
    where.folderWritable = [](const std::string&) { return false; };
    auto program = StartProgram(where);
    ModalAnswerer answerer;
    program->FormMain.ApplicationEvents1Idle();
    QCOMPARE(answerer.seen.size(), size_t{1});
    QCOMPARE(answerer.seen[0].title, QString("orthelev"));
    QCOMPARE(answerer.seen[0].text, QString("Cannot create : orthelev/."));
    QCOMPARE(answerer.seen[0].icon, QMessageBox::Critical);
    QCOMPARE(answerer.seen[0].buttons, 1);
    // The rest of the sequence did not run; the window waits minimised.
    QVERIFY(program->FormMain.isMinimized());
    QVERIFY(!program->FormMain.acceptDrops());
    QVERIFY(TheFlags().initialized);
  }

  void BusyCursorIsProgramWideAndDoesNotStack() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    Window().SetBusyCursor(true);
    Window().SetBusyCursor(true);
    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Window().SetBusyCursor(false);
    QVERIFY(!QApplication::overrideCursor());
  }

  void FailureEscapingAHandlerIsShownAndTheWindowGoesOn() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    program->FormMain.ApplicationEvents1Idle();
    ModalAnswerer answerer;
    program->FormMain.RunHandler([] { throw std::runtime_error("Disk gone"); });
    program->FormMain.RunHandler([] { throw std::runtime_error("Ends in a stop."); });
    QCOMPARE(answerer.seen.size(), size_t{2});
    QCOMPARE(answerer.seen[0].text, QString("Disk gone."));
    QCOMPARE(answerer.seen[1].text, QString("Ends in a stop."));
    QVERIFY(!program->FormMain.HandlerRunning());
    QVERIFY(program->FormMain.isVisible());
  }
};

ORTHELEV_QT_TEST(StartupTest);

}  // namespace orthelev::testing

#include "startup_test.moc"
