#pragma once
// Grids of any format the import reads, used as the Custom Geoid: imported
// once into the user's cache folder and reused while the source is the same
// file, of the same size and time of last write.

#include <string>
#include <vector>

namespace orthelev {

// The custom geoid file made of a source grid.
struct CachedGrid {
  std::string path;       // the custom geoid file to open
  bool imported = false;  // written by this call (else found in the cache)
};

// The custom geoid file for `source` in `cacheFolder` (created when
// missing): named after the source's file name, a key of its full path and
// a key of its file identity, size and time of last write, and imported
// when no file of that name is there (the files imported from the same
// path before it changed are then removed). False, with the reason in
// `error`, when the source cannot be read or imported or the folder cannot
// be made.
[[nodiscard]] bool CachedCustomGrid(const std::string& source, const std::string& cacheFolder,
                                    CachedGrid& grid, std::string& error);

// CachedCustomGrid in orthelev/grids of the user's cache folder, for
// InstallCustomGridPreparer: the file to open in `usable`.
[[nodiscard]] bool PrepareCustomGrid(const std::string& given, std::string& usable,
                                     std::string& error);

// The file patterns of the grids the import reads, for a file dialog:
// "*.gtx;*.tif;*.isg;*.pgm;*.nc" with GDAL, "*.isg;*.pgm" without.
std::string ImportedGridPatterns();

// The folder of the grids imported for use as the custom model:
// orthelev/grids in the user's cache folder ("" when none is known).
std::string UserGridCacheFolder();

// PROJ's data folders, in the order they are searched: those of $PROJ_DATA
// (or $PROJ_LIB), the user's share/proj, then /usr/local/share/proj and
// /usr/share/proj.
std::vector<std::string> ProjDataFolders();

// The full path of the grid file `name` (a bare file name, such as
// "us_nga_egm96_15.tif") in PROJ's data folders; "" when none holds it.
std::string FindProjGrid(const std::string& name);

}  // namespace orthelev
