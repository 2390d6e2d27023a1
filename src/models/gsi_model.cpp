#include "models/gsi_model.hpp"

#include <optional>

#include "base/file_io.hpp"
#include "geoid/active_grid.hpp"
#include "geoid/japan.hpp"
#include "services/window_services.hpp"
#include "settings/settings.hpp"

namespace orthelev {

namespace {

void StoreGsiGeometry(const GridSpec& header) {
  GridSpec& gsi = TheSettings().gsi;
  gsi.glamn = header.glamn;
  gsi.glomn = header.glomn;
  gsi.dgla = header.dgla;
  gsi.dglo = header.dglo;
  gsi.nlat = gsi.nrows = header.nlat;
  gsi.nlon = gsi.ncols = header.nlon;
  TheSettings().gsiGeometryChanged = true;
}

bool ConvertAndStore(const std::string& asciiPath) {
  std::optional<GridSpec> header;
  const bool converted = ConvertGsiGrid(asciiPath, header);
  if (header) StoreGsiGeometry(*header);
  return converted;
}

}  // namespace

bool StoreGsiHeader(std::string_view line) {
  const std::optional<GridSpec> header = ParseGsiHeader(line);
  if (header) StoreGsiGeometry(*header);
  return header.has_value();
}

bool PrepareGsiGrid(const std::string& name) {
  WindowServices& window = Window();
  ActiveGrid& grid = TheActiveGrid();
  const std::string asciiPath = TheSettings().dataFolder + name;
  const std::string companion = asciiPath + ".dat";
  grid.file.Close();
  bool held = grid.file.Open(companion);
  if (!held) {
    if (!FileExists(asciiPath)) {
      window.SetStatusText(" Error.");
      window.ShowMessageBox("Geoid file is not found:\r\n" + asciiPath);
    } else {
      window.SetBusyCursor(true);
      window.SetStatusText(" Converting to binary file...");
      window.SetWaitingText("Please waiting:  Convert to binary file...");
      window.ProcessPendingEvents();
      if (ConvertAndStore(asciiPath)) {
        held = grid.file.Open(companion);
        window.SetStatusText(held ? " Completed." : " Error.");
        window.EndStatus();
      } else {
        window.SetStatusText(" Error.");
        window.ShowMessageBox("Can not create:\r\n" + companion);
      }
    }
  }
  window.SetBusyCursor(false);
  window.SetWaitingText("");
  return held;
}

}  // namespace orthelev
