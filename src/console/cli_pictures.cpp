#include "console/cli_pictures.hpp"

#include "base/file_io.hpp"
#include "console/svg_picture.hpp"
#include "import/import_platform.hpp"
#include "models/model_coverage.hpp"

namespace orthelev {

bool ProfileFolderExists(const std::string& folder, std::FILE* err) {
  if (IsFolder(folder)) return true;
  std::fputs(("orthelev-cli: --profile: no folder " + folder + "\n").c_str(), err);
  return false;
}

int WriteProfilesAfterBatch(const std::string& folder, int status, std::FILE* err) {
  std::string error;
  if (WriteBatchProfiles(folder, error)) return status;
  std::fputs(("orthelev-cli: profile not written: " + error + "\n").c_str(), err);
  return status == 0 ? 1 : status;
}

int WriteModelPicture(const std::string& file, std::FILE* out, std::FILE* err) {
  const Picture picture = SelectedModelCoverage();
  if (picture.width == 0) return 2;
  std::string error;
  if (!WriteFileAtomically(file, SvgOf(picture), error)) {
    std::fputs(("orthelev-cli: " + error + "\n").c_str(), err);
    return 1;
  }
  std::fputs((file + "\n").c_str(), out);
  return 0;
}

}  // namespace orthelev
