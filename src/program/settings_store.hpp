#pragma once
// Loading the settings file once at start-up (with the migration of files
// written by older versions), saving it once at close, and what the load
// applies to the main window: the font and the model list.

#include <string>
#include <vector>

namespace orthelev {

// Makes every number the program writes or reads use "." as the decimal
// separator for the rest of the run (forces LC_NUMERIC to "C").
void SetNumberFormat();

enum class SettingsAccess {
  ReadWrite,  // the desktop program: creates a missing file, migrates on disk
  ReadOnly,   // the console front end: reads only, migrates in memory
};

// Reads every key of TheSettings().settingsFileName into the settings and
// the main window's controls; with ReadWrite access it first creates the
// file (UTF-16LE, only its byte-order mark) when it is missing. Stops quietly
// at the first failure; false then.
bool LoadSettings(SettingsAccess access = SettingsAccess::ReadWrite);

// What the load gives for an empty settings file: every default.
void LoadDefaultSettings();

// Writes every saved key into the settings file; keys it does not write stay
// as they are. A value the file cannot hold (one with a line break) is not
// written: its key ("[section] key") goes to `refused`, the other values are
// saved, the file's Version stays as it was (so that the next load migrates
// again), and the result is false. False also when the file could not be
// read or written; then `refused` is empty.
bool SaveSettings(std::vector<std::string>* refused = nullptr);

// Writes only the GSI geometry (nrows, ncols, glamn, glomn, dgla, dglo,
// nlat, nlon) into the settings file, creating it when missing.
[[nodiscard]] bool SaveGsiGeometry();

// Replaces the model box's entries: "Custom Geoid", the two EGM2008 titles,
// then the GSI titles; the box's text stays.
void FillModelList();

// The ";"-list as lines joined by CR LF, trimmed of blanks and control
// characters at both ends ("a;b;" gives "a\r\nb").
std::string ListToLines(const std::string& list);

// Applies the font settings to both windows, scaled to the display so that
// the text keeps its size in pixels at 96 dots per inch.
void ApplyFont();

// True when the user's locale (LC_ALL, else LC_MESSAGES, else LANG) is Japanese.
bool UserLocaleIsJapanese();

}  // namespace orthelev
