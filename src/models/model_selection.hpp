#pragma once
// Turning the model box's text into an open geoid grid. The model list has
// fixed positions: 0 "Custom Geoid", 1 the EGM2008 2.5' title, 2 the
// EGM2008 1' title, 3 and on the GSI titles in list order.

#include <string>
#include <vector>

namespace orthelev {

inline constexpr int kCustomModelIndex = 0;
inline constexpr int kFirstGsiModelIndex = 3;
inline constexpr const char* kCustomModelTitle = "Custom Geoid";

// The entries of a ";"-separated list, in order (an empty text gives none).
std::vector<std::string> SplitList(const std::string& list);

// The file the model at `index` of the list reads, without folder ("" when
// the list has no file for it); a GSIGEO entry names its ASCII grid.
std::string ModelFileName(int index);

// Where a model's file `name` is read: in the DataFolder, unless `name` is a
// path of its own (as the console's --custom gives the Custom Geoid's).
std::string ModelFilePath(const std::string& name);

// True when the model's file (or, for a GSI entry, its companion or the
// files it is prepared from) is in the DataFolder.
bool ModelFileFound(int index, const std::string& name);

// Opens the model the box's text names as the active grid (asking for a
// missing file, converting a GSIGEO grid on first use) and sets UseSpline.
// Afterwards TheActiveGrid().open tells whether a model is open.
void SelectGeoidModel();

// Lets the user locate `name` with the geoid-file dialog. On a confirmed
// choice DataFolder and the DataPath setting move to the chosen file's
// folder and the chosen file name (without folder) is returned; otherwise
// `name` unchanged.
std::string AskForGridFile(const std::string& name, const std::string& filter);

// Puts the spline box's value of the model family into the box: the JGD2024
// models (bilinear by default, GSI's own interpolation) and the GSIGEO 2011
// models each keep their own, the other family's waiting in the settings.
void ShowSplineChoiceOf(bool jgd2024);

// True when lookups use the spline: bilinear is not forced (console
// --bilinear), and the spline box is ticked or hidden (it shows only for the
// GSIGEO models).
bool SplineChosen();

// The model box's selection handler: validates the picked model by opening
// it, then closes it again. Ignored before the first activation.
void ComboBoxGeoidSelect();

// Makes a custom geoid file of a grid of another format (`given`, a full
// path): the file to open in `usable`, or false with the reason. A program
// with the grid import installs one (null: none) with the file patterns of
// the grids it reads ("*.isg;*.pgm"), which the file dialog offers; without
// it only custom geoid files open as the Custom Geoid model.
using CustomGridPreparer = bool (*)(const std::string& given, std::string& usable,
                                    std::string& error);
void InstallCustomGridPreparer(CustomGridPreparer preparer, std::string gridPatterns = "");

}  // namespace orthelev
