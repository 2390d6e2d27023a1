#pragma once
// The Japanese models of JGD2024 (vertical) heights, named by entries of
// the GSI file list:
//   "JPGEO2024.isg"                     the geoid alone, an ISG grid;
//   "JPGEO2024.isg + Hrefconv2024.isg"  the geoid plus the islands
//       correction where the correction has a value, the geoid alone
//       elsewhere; when the two files are not both in the data folder, GSI's
//       sum "JPGEO2024+Hrefconv2024.isg" (values on land only), the geoid
//       filling its gaps when the geoid's file is there;
//   "gsigeo2011_ver2_2.asc + hyokorevBM_jgd2024_h.par"  the GSIGEO 2011
//       grid less the height revision dH, on the lattice of the .par file:
//       each node takes the GSIGEO grid's bilinear value there, and no value
//       where the .par has no node. The .par lattice halves the GSIGEO
//       spacing, so a bilinear lookup equals the GSIGEO lookup less the
//       bilinear dH.
// Each is prepared once into a companion in the data folder
// (CompanionFileName) in the custom geoid layout (custom_geoid.hpp), written
// under a temporary name and renamed, which the node reader opens.

#include <string>

namespace orthelev {

// True for an entry of the list above (an ".isg" file or files joined by
// " + "); the other GSI entries are GSIGEO ASCII grids.
bool IsJgd2024Entry(const std::string& name);

// The companion of any GSI entry, without folder: the entry's files joined
// by "+" and ".dat" (a GSIGEO grid's name + ".dat").
std::string CompanionFileName(const std::string& name);

// True when the files the entry is prepared from are in `folder`.
bool Jgd2024SourcesFound(const std::string& folder, const std::string& name);

// The vertical datum of the heights a GSI entry gives.
std::string VerticalDatumOf(const std::string& name);

// Opens DataFolder + CompanionFileName(name) as the active grid, preparing
// it first when it does not open (status " Converting to binary file...",
// events let through while reading; Esc or Ctrl-C stops it and leaves no
// companion). Reports through the status bar and message boxes; true when
// the grid is open.
[[nodiscard]] bool PrepareJgd2024Grid(const std::string& name);

}  // namespace orthelev
