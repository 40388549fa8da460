#ifndef VEXLOR_RECORD_DATA_SET_H_
#define VEXLOR_RECORD_DATA_SET_H_

#include <optional>
#include <string>
#include <utility>

#include "vexlor/distortion.h"
#include "vexlor/record.h"
#include "vexlor/status.h"

namespace vexlor {

// A data set is a results file DATA that vexlor-batch -o wrote, with two
// files beside it: DATA.names, the path of each line's icon (one per line,
// or each ending in a NUL byte), and DATA.manifest, how the records were
// made, as "key: value" lines:
//
//   # vexlor data set
//   form: tinyint | double
//   background: none | #rrggbb
//   blur: B
//   red: F   green: F   blue: F   (each on its own line)
//   svg-size: N                   (0: each SVG at its own size)
//   names: lines | nul
//   version: vexlor's
//   lines: DATA's lines when the run that wrote it last ended
//
// Readers take the records from DATA and the names from DATA.names, and
// check that there are as many of each; `lines` is for people.
struct DataSetManifest {
  RecordForm form = RecordForm::kTinyInt;
  LoadSettings load;
  Distortion distortion;
  bool nul_names = false;
  std::string version;
  long long lines = 0;
};

std::string ManifestPathOf(const std::string& data);  // DATA.manifest
std::string NamesPathOf(const std::string& data);     // DATA.names

std::string ManifestText(const DataSetManifest& manifest);

// Reads DATA's manifest into `*manifest`; nullopt when there is none (a plain
// results file). kIOError when it cannot be read, kInvalidArgument
// ("<path>:<n>: ...") for a line that is no setting.
Status ReadManifest(const std::string& data, std::optional<DataSetManifest>* manifest);

// Writes DATA's manifest whole (or leaves the earlier one).
Status WriteManifest(const std::string& data, const DataSetManifest& manifest);

// Nothing when `a` and `b` make the same records (form, load settings and
// distortion alike), else the first setting that differs, as each has it
// ("--background #ffffff", "--background none").
std::optional<std::pair<std::string, std::string>> SettingsDifference(const DataSetManifest& a,
                                                                      const DataSetManifest& b);

}  // namespace vexlor

#endif  // VEXLOR_RECORD_DATA_SET_H_
