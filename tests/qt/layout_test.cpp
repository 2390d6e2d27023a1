// The designed layout of both windows: places, sizes, texts, hints, tab order.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

#include "qt/desktop_fixture.hpp"
#include "qt/qt_test_registry.hpp"

namespace orthelev::testing {

class LayoutTest : public QObject {
  Q_OBJECT

 private:
  // The pixels a control leaves for its text, as its style draws it.
  static int Room(const QWidget* control) {
    QStyle* style = control->style();
    constexpr int kLineEditMargin = 2;  // QLineEdit's own, either side
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
      QStyleOptionComboBox option;
      option.initFrom(combo);
      option.editable = true;
      return style
                 ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo)
                 .width() -
             2 * kLineEditMargin;
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) {
      QStyleOptionFrame option;
      option.initFrom(edit);
      option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
      return style->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() -
             2 * kLineEditMargin;
    }
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) {
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const bool box = qobject_cast<const QCheckBox*>(control);
      return style
          ->subElementRect(box ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents,
                           &option, button)
          .width();
    }
    return control->contentsRect().width();
  }

  QString TextOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget)) return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(widget)) return box->title();
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) return combo->currentText();
    return {};
  }

 private slots:
  void MainWindowControlsAreWhereDesigned() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    TFormMain& main = program->FormMain;
    QCOMPARE(main.size(), QSize(542, 189));
    QCOMPARE(main.minimumSize(), main.maximumSize());
    struct Control {
      const char* name;
      const char* parent;
      QRect rect;
      const char* text;
      const char* hint;
    };
    const Control controls[] = {
        {"GroupBoxSelect", "FormMain", {8, 8, 217, 80}, " Geoid select ", ""},
        {"Label4", "GroupBoxSelect", {2, 25, 71, 13}, "Geoid model", ""},
        {"ComboBoxGeoid", "GroupBoxSelect", {77, 22, 130, 21}, "EGM2008 2.5'x2.5'", ""},
        {"CheckBoxSpline", "GroupBoxSelect", {77, 49, 122, 17}, "Spline interpolation", ""},
        {"LabelWaiting", "GroupBoxSelect", {10, 50, 195, 13}, "", ""},
        {"GroupBoxCkeck", "FormMain", {231, 8, 300, 80}, " Geoid check ", ""},
        {"Label1", "GroupBoxCkeck", {2, 25, 58, 13}, "Latitude", ""},
        {"EditLat", "GroupBoxCkeck", {62, 22, 95, 21}, "35 40 37.8", ""},
        {"Label2", "GroupBoxCkeck", {2, 50, 58, 13}, "Longitude", ""},
        {"EditLon", "GroupBoxCkeck", {62, 47, 95, 21}, "139 44 52.3", ""},
        {"Label3", "GroupBoxCkeck", {157, 25, 58, 13}, "Geoid(m)", ""},
        {"EditGeoid", "GroupBoxCkeck", {219, 22, 70, 21}, "", ""},
        {"ButtonCalc", "GroupBoxCkeck", {219, 46, 70, 23}, "Check", "Geoid is calculated"},
        {"Label5", "FormMain", {1, 109, 65, 13}, "Source file", ""},
        {"EditSorce", "FormMain", {68, 106, 463, 21}, "", ""},
        {"ButtonBrowse", "FormMain", {68, 132, 75, 25}, "Browse", "OpenDialog is opened"},
        {"ButtonConvert", "FormMain", {371, 132, 75, 25}, "Convert", "Conversion is started"},
        {"ButtonExit", "FormMain", {456, 132, 75, 25}, "Exit", "Close"},
        {"StatusBar1", "FormMain", {0, 170, 542, 19}, "", ""},
    };
    for (const Control& c : controls) {
      auto* widget = main.findChild<QWidget*>(c.name);
      QVERIFY2(widget, c.name);
      QCOMPARE(widget->parentWidget()->objectName(), QString(c.parent));
      QCOMPARE(widget->geometry(), c.rect);
      QCOMPARE(TextOf(widget), QString(c.text));
      QCOMPARE(widget->toolTip(), QString(c.hint));
    }
    const QStringList models = {"EGM2008 2.5'x2.5'", "EGM2008 1'x1'", "GSIGEO 2011",
                                "Custom Geoid"};
    for (int i = 0; i < models.size(); ++i) QCOMPARE(main.ComboBoxGeoid->itemText(i), models[i]);
    QVERIFY(!main.CheckBoxSpline->isChecked());
    QCOMPARE(main.Label4->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(main.LabelWaiting->alignment(), Qt::AlignHCenter | Qt::AlignVCenter);
    QCOMPARE(main.LabelReport->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(main.font().family(), QString("Tahoma"));
    QCOMPARE(main.font().pointSize(), 8);
    // The Report label sizes itself to its text, also after a font change.
    QCOMPARE(main.LabelReport->text(), QString("Report"));
    QCOMPARE(main.LabelReport->geometry(), QRect(QPoint(317, 138), main.LabelReport->sizeHint()));
    main.setFont(QFont("Tahoma", 14));
    QCOMPARE(main.LabelReport->geometry(), QRect(QPoint(317, 138), main.LabelReport->sizeHint()));
  }

  void DesignedTextsFitTheirControls() {
    // Also run with QT_SCALE_FACTOR=2 (ctest orthelev_qt_fonts_2x).
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    TFormMain& main = program->FormMain;
    main.ApplicationEvents1Idle();  // the settings load applies the font
    struct Shown {
      const char* control;
      std::vector<const char*> texts;
    };
    const Shown shown[] = {
        {"Label4", {"Geoid model"}},
        {"ComboBoxGeoid",
         {"EGM2008 2.5'x2.5'", "EGM2008 1'x1'", "GSIGEO 2011 ver2.2", "GSIGEO 2011 ver2.1",
          "GSIGEO 2011 ver2", "GSIGEO 2011 ver1", "JPGEO2024", "JPGEO2024 + Hrefconv2024",
          "GSIGEO 2011 + JGD2024 revision", "Custom Geoid"}},
        {"CheckBoxSpline", {"Spline interpolation"}},
        {"LabelWaiting", {"Please waiting:  Convert to binary file..."}},
        {"Label1", {"Latitude"}},
        {"EditLat", {"35 40 37.8", "-35 40 37.8"}},
        {"Label2", {"Longitude"}},
        {"EditLon", {"139 44 52.3", "-139 44 52.3"}},
        {"Label3", {"Geoid(m)"}},
        {"EditGeoid", {"Out of range.", "-106.9986"}},
        {"ButtonCalc", {"Check"}},
        {"Label5", {"Source file"}},
        {"ButtonBrowse", {"Browse"}},
        {"ButtonConvert", {"Convert"}},
        {"ButtonExit", {"Exit"}},
    };
    for (const Shown& s : shown) {
      auto* control = main.findChild<QWidget*>(s.control);
      QVERIFY2(control, s.control);
      const QFontMetricsF metrics(control->font());
      for (const char* text : s.texts) {
        const double width = metrics.horizontalAdvance(QString(text));
        const int room = Room(control);
        QVERIFY2(width <= room, qPrintable(QString("\"%1\" in %2: %3 pixels wide, room for %4")
                                               .arg(text, s.control)
                                               .arg(width)
                                               .arg(room)));
      }
    }
  }

  void TabOrderFollowsTheDesign() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    TFormMain& main = program->FormMain;
    const QList<QWidget*> expected = {main.ComboBoxGeoid, main.CheckBoxSpline, main.EditLat,
                                      main.EditLon,       main.EditGeoid,      main.ButtonCalc,
                                      main.EditSorce,     main.ButtonBrowse,   main.ButtonConvert,
                                      main.ButtonExit};
    QList<QWidget*> order;
    QWidget* widget = main.ComboBoxGeoid;
    do {
      if ((widget->focusPolicy() & Qt::TabFocus) && widget->focusProxy() == nullptr &&
          expected.contains(widget))
        order << widget;
      widget = widget->nextInFocusChain();
    } while (widget != main.ComboBoxGeoid && order.size() < expected.size());
    QCOMPARE(order, expected);
  }

  void ReportWindowIsOneTextAreaFillingIt() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    TFormReport& report = program->FormReport;
    QCOMPARE(report.objectName(), QString("FormReport"));
    QCOMPARE(report.windowTitle(), QString("Report"));
    QCOMPARE(report.size(), QSize(426, 286));
    report.show();
    QCOMPARE(report.Memo1->geometry(), QRect(0, 0, 426, 286));
    QVERIFY(!report.Memo1->isReadOnly());
    QCOMPARE(report.Memo1->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(report.Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    report.hide();
  }

  void ReportLinesSplitAtLineBreaksAndKeepEmptyLines() {
    ProgramFolder folder;
    auto program = StartProgram(folder.Location());
    TFormReport& report = program->FormReport;
    struct Case {
      std::vector<std::string> appended;
      std::string text;
    };
    const Case cases[] = {
        {{""}, ""},
        {{"", "a"}, "\na"},
        {{" Geoid model: M\r\n", "\r\n Done.", ""}, " Geoid model: M\n\n\n Done.\n"},
        {{"a\r\nb", "c"}, "a\nb\nc"},
    };
    for (const Case& c : cases) {
      report.ClearReport();
      for (const std::string& line : c.appended) report.AppendReportLine(line);
      QCOMPARE(report.ReportText(), c.text);
    }
  }
};

ORTHELEV_QT_TEST(LayoutTest);

}  // namespace orthelev::testing

#include "layout_test.moc"
