#pragma once
// The program's handlers that are not tied to one widget: the first
// activation (caption, settings file, settings, command line), closing,
// and the ways a batch is started: Browse, Enter in the source field,
// dropped files and the command line.

#include <functional>
#include <string>
#include <vector>

#include "services/picture.hpp"
#include "settings/settings_location.hpp"

namespace orthelev {

// The main window's creation: empty logger profile tables, both file-dialog
// records emptied, the source-file dialog's start filter and the geoid-file
// dialog's filter.
void FormCreate();

// The program's title: the program file's name up to its first ".", every
// letter after the first in lower case ("MY.Tool" gives "My").
std::string ProgramTitle(const std::string& programFile);

// The first activation: sets Initialized, the caption, the settings file's
// location and the settings, then reads the command line (which may show
// the window, run a batch and close the window). Later activations after a
// hidden start move the window to its stored place once. A settings file
// that cannot be placed goes to the general error display and ends the
// sequence.
void FormActivate(const SettingsLocation& where, const std::vector<std::string>& parameters);

// Closing the main window: the saving text, the save, then the tables and
// the grid file are released.
void FormClose();

// Runs an event handler of the windows: a failure escaping it goes to the
// general error display, and the program goes on.
void RunShowingFailures(const std::function<void()>& handler);

// The text of the general error display: a "." is appended when the last
// character's code is above that of ".".
std::string GeneralErrorText(const std::string& text);

// Parameters that are switches: "/" followed by letters only that names no
// existing file (its last letter counts: H hidden start, Q quit when done),
// "--hidden" and "--quit". Everything else is a file.
bool IsSwitchParameter(const std::string& parameter);

// The desktop program's exit status: the batch's (ExitStatusOf) when /Q
// closed it after its batch, else 0.
int DesktopExitStatus();

// The desktop program's answer to "--help" (its usage) or "--version" (the
// version title), each ending in a line break, for the first of them among
// the parameters; "" when neither is there.
std::string InformationRequestAnswer(const std::vector<std::string>& parameters);

// Files and switches of the command line: fills the source field, places
// the window and shows it unless the start is hidden, runs the batch, closes
// the window when asked to. Switches without files have no effect.
void ReadCommandLine(const std::vector<std::string>& parameters);

// The Browse button: the source-file dialog, then a batch of the chosen
// files. Does nothing while a batch runs or when the dialog is cancelled.
void ButtonBrowseClick();

// Enter (13) in the source field starts a batch and is consumed (0 comes
// back); other keys come back unchanged.
char EditSorceKeyPress(char key);

// Files dropped on the main window (full paths): all but ".ini" files,
// joined by ";", become the source field, and a batch starts (also when
// none is left).
void DropFiles(const std::vector<std::string>& paths);

// The coverage picture of the model box's model, for the Coverage... item,
// with the busy cursor meanwhile; empty (width 0) while a batch runs or
// when the model cannot be opened (the model selection has told why).
Picture ModelCoverageOnRequest();

}  // namespace orthelev
