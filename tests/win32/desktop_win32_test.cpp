// The native Windows desktop program driven in the test process: layout and
// texts, tab order, placement kept over restarts, drops (refused during a
// batch), the wheel kept off the model box, Esc during a long batch, the
// hidden start, message boxes centred over the main window.

#include <cstring>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>

#include <gtest/gtest.h>
// after windows.h
#include <shellapi.h>
#include <shlobj.h>

#include "conversion/batch.hpp"
#include "conversion/profile_picture.hpp"
#include "program/program_state.hpp"
#include "services/placement.hpp"
#include "settings/file_dialog.hpp"
#include "settings/settings.hpp"
#include "support/program_folder.hpp"
#include "win32/desktop_program.hpp"
#include "win32/picture_window.hpp"
#include "win32/placement_win32.hpp"
#include "win32/wide_text.hpp"

namespace orthelev::win32 {
namespace {

using testing::ProgramFolder;

std::string TextOf(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return Utf8(text);
}

// A control's rectangle in the main window's client area.
RECT ClientRectIn(HWND control, HWND main) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// What the message box that the timer answered showed.
struct SeenBox {
  std::string title, text;
  ScreenRect frame;
};
std::vector<SeenBox> seenBoxes;
WPARAM answer = IDOK;

// Answers the thread's dialog (a message box, the file dialog) with
// `answer` after recording it.
void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM) -> BOOL {
        wchar_t kind[16] = {};
        GetClassNameW(window, kind, 16);
        if (std::wstring(kind) != L"#32770" || !IsWindowVisible(window)) return TRUE;
        wchar_t text[512] = {};
        GetDlgItemTextW(window, 0xFFFF, text, 512);
        seenBoxes.push_back({TextOf(window), Utf8(text), WindowRectOf(window)});
        PostMessageW(window, WM_COMMAND, answer, 0);
        return FALSE;
      },
      0);
}

// A drop of these files as the shell makes it (wide names, two zeros at the end).
HDROP MakeDrop(const std::vector<std::string>& paths) {
  std::wstring names;
  for (const std::string& path : paths) names += Wide(path) + L'\0';
  names += L'\0';
  const std::size_t bytes = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(),
              names.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

class Win32DesktopTest : public ::testing::Test {
 protected:
  void TearDown() override { Stop(); }

  // The program ended, with the quit request its closing left behind.
  void Stop() {
    program_.reset();
    MSG left;
    while (PeekMessageW(&left, nullptr, 0, 0, PM_REMOVE)) {
    }
    ResetProgramState();
  }

  // The program started on the folder, through its first idle moment.
  void Start(std::vector<std::string> parameters = {}) {
    Stop();
    program_ = std::make_unique<DesktopProgram>(folder_.Location(), std::move(parameters));
    program_->RunOnce();
  }
  void Click(HWND button) {
    SendMessageW(Main().Handle, WM_COMMAND, GetDlgCtrlID(button), reinterpret_cast<LPARAM>(button));
  }
  void Pump() { program_->RunOnce(); }
  TFormMain& Main() { return program_->FormMain; }
  std::string Report() { return program_->FormReport.ReportText(); }

  ProgramFolder folder_;
  std::unique_ptr<DesktopProgram> program_;
};

TEST_F(Win32DesktopTest, ControlsStandWhereDesignedWithTheirTexts) {
  Start();
  TFormMain& m = Main();
  EXPECT_EQ(TextOf(m.Handle), VersionTitle());
  RECT client{};
  GetClientRect(m.Handle, &client);
  EXPECT_EQ(client.right, 542);
  EXPECT_EQ(client.bottom, 189);
  struct Row {
    HWND control;
    const char* text;
    int left, top, width, height;
  };
  const Row rows[] = {
      {m.GroupBoxSelect, " Geoid select ", 8, 8, 217, 80},
      {m.Label4, "Geoid model", 10, 33, 71, 13},
      {m.ComboBoxGeoid, "Custom Geoid", 85, 30, 130, 21},
      {m.LabelWaiting, "", 18, 58, 195, 13},
      {m.GroupBoxCkeck, " Geoid check ", 231, 8, 300, 80},
      {m.Label1, "Latitude", 233, 33, 58, 13},
      {m.EditLat, "35 40 37.8", 293, 30, 95, 21},
      {m.Label2, "Longitude", 233, 58, 58, 13},
      {m.EditLon, "139 44 52.3", 293, 55, 95, 21},
      {m.Label3, "Geoid(m)", 388, 33, 58, 13},
      {m.EditGeoid, "", 450, 30, 70, 21},
      {m.ButtonCalc, "Check", 450, 54, 70, 23},
      {m.Label5, "Source file", 1, 109, 65, 13},
      {m.EditSorce, "", 68, 106, 463, 21},
      {m.ButtonBrowse, "Browse", 68, 132, 75, 25},
      {m.ButtonConvert, "Convert", 371, 132, 75, 25},
      {m.ButtonExit, "Exit", 456, 132, 75, 25},
      {m.StatusBar1, "", 0, 170, 542, 19},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(TextOf(row.control), row.text);
    const RECT at = ClientRectIn(row.control, m.Handle);
    EXPECT_EQ(at.left, row.left);
    EXPECT_EQ(at.top, row.top);
    EXPECT_EQ(at.right - at.left, row.width);
    EXPECT_EQ(at.bottom - at.top, row.height);
  }
  // Model list rows: the text with 3 pixels above and below.
  const HDC dc = GetDC(m.ComboBoxGeoid);
  const HGDIOBJ old = SelectObject(dc, m.Font());
  TEXTMETRICW font{};
  GetTextMetricsW(dc, &font);
  SelectObject(dc, old);
  ReleaseDC(m.ComboBoxGeoid, dc);
  EXPECT_EQ(SendMessageW(m.ComboBoxGeoid, CB_GETITEMHEIGHT, 0, 0), font.tmHeight + 6);
  // "Report" sizes itself to its text, at its designed place.
  const RECT report = ClientRectIn(m.LabelReport, m.Handle);
  EXPECT_EQ(report.left, 317);
  EXPECT_EQ(report.top, 138);
  EXPECT_GT(report.right - report.left, 20);
}

TEST_F(Win32DesktopTest, TabVisitsTheControlsInTheirOrderFromBrowse) {
  Start();
  TFormMain& m = Main();
  EXPECT_EQ(GetFocus(), m.ButtonBrowse);
  const HWND order[] = {m.ButtonConvert, m.ButtonExit, m.ComboBoxGeoid, m.EditLat,     m.EditLon,
                        m.EditGeoid,     m.ButtonCalc, m.EditSorce,     m.ButtonBrowse};
  HWND at = m.ButtonBrowse;
  for (HWND next : order) {
    at = GetNextDlgTabItem(m.Handle, at, FALSE);
    EXPECT_EQ(at, next) << TextOf(next);
  }
}

TEST_F(Win32DesktopTest, FirstStartCentresTheWindowAndARestartKeepsItsPlace) {
  Start();
  const ScreenRect first = WindowRectOf(Main().Handle);
  const ScreenRect work = WorkAreaOf(Main().Handle);
  std::int32_t top = kNoStoredPosition, left = kNoStoredPosition;
  PlaceMainWindow(top, left, work, first.Width(), first.Height());
  EXPECT_EQ(first.left, left);
  EXPECT_EQ(first.top, top);
  EXPECT_TRUE(IsWindowVisible(Main().Handle));

  SetWindowPos(Main().Handle, nullptr, work.left + 40, work.top + 30, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  PostMessageW(Main().ButtonExit, WM_KEYDOWN, VK_RETURN, 0);  // Enter on a button clicks it
  Pump();
  EXPECT_TRUE(Main().Closed());
  Start();
  const ScreenRect again = WindowRectOf(Main().Handle);
  EXPECT_EQ(again.left, work.left + 40);
  EXPECT_EQ(again.top, work.top + 30);
}

// Set by DropDuringBatch: whether the main window took dropped files while
// the batch ran, and the drop it then made.
bool takesFilesDuringBatch = true;
HDROP dropDuringBatch = nullptr;

// Once a batch runs: notes whether the main window takes files, drops
// `dropDuringBatch` on it, then stops the batch as Esc does.
void CALLBACK DropDuringBatch(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!TheBatch().running) return;
  KillTimer(nullptr, timer);
  const HWND main = FindWindowW(L"TFormMain", nullptr);
  takesFilesDuringBatch = (GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
  PostMessageW(main, WM_DROPFILES, reinterpret_cast<WPARAM>(dropDuringBatch), 0);
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
}

TEST_F(Win32DesktopTest, DroppedLogsAreConvertedAndSettingsFilesLeftOutUnlessABatchRuns) {
  for (const bool duringBatch : {true, false}) {
    SCOPED_TRACE(duringBatch ? "during a batch" : "no batch running");
    Start();
    const std::string prefix = duringBatch ? "running_" : "idle_";
    const std::string a = folder_.WriteNmea(prefix + "a.nmea", 3),
                      b = folder_.WriteNmea(prefix + "b.nmea", 2);
    const HDROP drop = MakeDrop({a, folder_.SettingsFile(), b});
    const std::string running = folder_.WriteNmea("long.nmea", 200000);
    if (duringBatch) {
      SetWindowTextW(Main().EditSorce, Wide(running).c_str());
      dropDuringBatch = drop;
      const UINT_PTR timer = SetTimer(nullptr, 0, 10, DropDuringBatch);
      Click(Main().ButtonConvert);
      KillTimer(nullptr, timer);
      EXPECT_FALSE(takesFilesDuringBatch);
      EXPECT_NE(Report().find("*** Aborted by user ***"), std::string::npos) << Report();
    } else {
      PostMessageW(Main().Handle, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
      Pump();
      EXPECT_NE(Report().find(" Done."), std::string::npos) << Report();
    }
    // A running batch keeps its list: the drop is refused, not queued.
    Pump();
    EXPECT_EQ(TextOf(Main().EditSorce), duringBatch ? running : a + ";" + b);
    for (const std::string output : {"a_g.nmea", "b_g.nmea"})
      EXPECT_EQ(testing::ReadBytes(folder_.File(prefix + output)).empty(), duringBatch) << output;
    EXPECT_NE(GetWindowLongPtrW(Main().Handle, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  }
}

TEST_F(Win32DesktopTest, TheWheelOverTheClosedModelBoxNeverSwitchesTheModel) {
  Start();
  const HWND field = FindWindowExW(Main().ComboBoxGeoid, nullptr, L"Edit", nullptr);
  ASSERT_NE(field, nullptr);
  const std::string model = TextOf(Main().ComboBoxGeoid);
  const LRESULT selected = SendMessageW(Main().ComboBoxGeoid, CB_GETCURSEL, 0, 0);
  struct Row {
    const char* over;
    HWND target;
    short delta;
  };
  const Row rows[] = {{"box", Main().ComboBoxGeoid, WHEEL_DELTA},
                      {"box", Main().ComboBoxGeoid, -WHEEL_DELTA},
                      {"its text field", field, WHEEL_DELTA},
                      {"its text field", field, -WHEEL_DELTA}};
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.over) + " " + std::to_string(row.delta));
    seenBoxes.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);  // a model that fails to open
    SetFocus(row.target);
    SendMessageW(row.target, WM_MOUSEWHEEL, MAKEWPARAM(0, row.delta), 0);
    Pump();
    KillTimer(nullptr, timer);
    EXPECT_EQ(TextOf(Main().ComboBoxGeoid), model);
    EXPECT_EQ(SendMessageW(Main().ComboBoxGeoid, CB_GETCURSEL, 0, 0), selected);
    EXPECT_TRUE(seenBoxes.empty());
  }
}

TEST_F(Win32DesktopTest, EscDuringALongBatchStopsIt) {
  Start();
  SetWindowTextW(Main().EditSorce, Wide(folder_.WriteNmea("long.nmea", 200000)).c_str());
  PostMessageW(Main().EditSorce, WM_KEYDOWN, VK_ESCAPE, 0);
  Click(Main().ButtonConvert);
  EXPECT_NE(Report().find("*** Aborted by user ***"), std::string::npos) << Report();
  EXPECT_TRUE(IsWindowEnabled(Main().ButtonConvert));
}

TEST_F(Win32DesktopTest, HiddenStartConvertsClosesAndShowsNoWindow) {
  const std::string log = folder_.WriteNmea("day1.nmea", 2);
  Start({log, folder_.File("missing.nmea"), "/h", "/Q"});
  EXPECT_TRUE(Main().Closed());
  EXPECT_NE(testing::ReadBytes(folder_.File("day1_g.nmea")), "");
  EXPECT_NE(Report().find("Can not open"), std::string::npos) << Report();
  EXPECT_FALSE(IsWindowVisible(program_->FormReport.Handle));
}

TEST_F(Win32DesktopTest, MessageBoxesAreCentredOverTheMainWindowInsideTheWorkArea) {
  Start();
  const ScreenRect work = WorkAreaOf(Main().Handle);
  const ScreenRect main = WindowRectOf(Main().Handle);
  for (const int left : {work.left + 100, work.right - main.Width() / 2}) {
    SCOPED_TRACE(left);
    SetWindowPos(Main().Handle, nullptr, left, work.top + 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    seenBoxes.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBox);
    Window().ShowMessageBox("Cannot open : x.cdat");
    KillTimer(nullptr, timer);
    ASSERT_EQ(seenBoxes.size(), 1u);
    EXPECT_EQ(seenBoxes[0].title, "Error");
    EXPECT_EQ(seenBoxes[0].text, "Cannot open : x.cdat");
    const ScreenRect box = seenBoxes[0].frame;
    const ScreenPoint expected =
        CenterOver(WindowRectOf(Main().Handle), box.Width(), box.Height(), work);
    EXPECT_EQ(box.left, expected.left);
    EXPECT_EQ(box.top, expected.top);
  }
}

TEST_F(Win32DesktopTest, CancelledFileDialogWasCentredAndChangesNothing) {
  Start();
  SetWindowTextW(Main().EditSorce, L"before");
  const SDialog before = DialogRecord(DialogUse::SourceFiles);
  seenBoxes.clear();
  answer = IDCANCEL;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, AnswerBox);
  Click(Main().ButtonBrowse);
  KillTimer(nullptr, timer);
  answer = IDOK;
  ASSERT_EQ(seenBoxes.size(), 1u);
  const ScreenRect dialog = seenBoxes[0].frame;
  const ScreenPoint expected = CenterOver(WindowRectOf(Main().Handle), dialog.Width(),
                                          dialog.Height(), WorkAreaOf(Main().Handle));
  EXPECT_EQ(dialog.left, expected.left);
  EXPECT_EQ(dialog.top, expected.top);
  EXPECT_EQ(TextOf(Main().EditSorce), "before");
  EXPECT_EQ(DialogRecord(DialogUse::SourceFiles).SInitDir, before.SInitDir);
  EXPECT_EQ(DialogRecord(DialogUse::SourceFiles).SFileName, before.SFileName);
}

TEST_F(Win32DesktopTest, ReportLabelShowsAndHidesTheReport) {
  Start();
  const HWND report = program_->FormReport.Handle;
  Main().LabelReportClick();
  EXPECT_TRUE(IsWindowVisible(report));
  Main().LabelReportClick();
  EXPECT_FALSE(IsWindowVisible(report));
}

TEST_F(Win32DesktopTest, ProfileBesideTheReportAndCoverageHoldTheirPictures) {
  Start();
  SetWindowTextW(Main().EditSorce, Wide(folder_.WriteNmea("a.nmea", 3)).c_str());
  Click(Main().ButtonConvert);
  Main().LabelReportClick();
  const PictureWindow& profile = program_->FormProfile;
  EXPECT_TRUE(IsWindowVisible(profile.Handle));
  EXPECT_EQ(TextOfWindow(profile.FileList), "a.nmea");
  const PictureLine* read = profile.CurrentPicture().LineNamed(kReadSeries);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->points.size(), 3u);  // a bucket per record
  Main().LabelReportClick();
  EXPECT_FALSE(IsWindowVisible(profile.Handle));

  Main().ShowModelCoverage();
  ASSERT_NE(Main().CoverageWindow(), nullptr);
  EXPECT_TRUE(IsWindowVisible(Main().CoverageWindow()->Handle));
  EXPECT_EQ(Main().CoverageWindow()->CurrentPicture().title, "Coverage: Custom Geoid");
}

TEST_F(Win32DesktopTest, TheVersionResourceHoldsTheCaptionsVersion) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::vector<char> info(GetFileVersionInfoSizeW(program, nullptr));
  ASSERT_FALSE(info.empty());
  ASSERT_TRUE(GetFileVersionInfoW(program, 0, static_cast<DWORD>(info.size()), info.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  const unsigned minor = LOWORD(fixed->dwFileVersionMS);
  EXPECT_EQ(VersionTitle(), "Orthelev Ver" + std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                (minor < 10 ? "0" : "") + std::to_string(minor));
}

}  // namespace
}  // namespace orthelev::win32
