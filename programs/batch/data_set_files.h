#ifndef VEXLOR_BATCH_DATA_SET_FILES_H_
#define VEXLOR_BATCH_DATA_SET_FILES_H_

#include <optional>
#include <string>

#include "batch/batch_run.h"
#include "record/data_set.h"
#include "report/output_file.h"
#include "vexlor/status.h"

namespace vexlor {

// The names and the manifest that vexlor-batch -o writes beside its output
// (record/data_set.h). A new output gets both (an output that is no regular
// file, such as /dev/null, gets neither). Appending to a data set keeps
// its names' form and refuses other settings; appending to a plain results
// file only refuses records of the other form, and writes neither.
class DataSetFiles {
 public:
  // Before the output is opened: kInvalidArgument when this run's records
  // would not fit the output's, naming both settings; kIOError when the
  // manifest cannot be read.
  Status Check(const BatchOptions& options);
  // Once the output is open: opens the names and writes the manifest.
  Status Open();

  // Whether names are kept: a path that holds a line end cannot be one line
  // of a names file of lines.
  bool keeps_names() const { return keeps_; }
  bool CanName(const std::string& path) const {
    return !keeps_ || manifest_.nul_names || path.find('\n') == std::string::npos;
  }

  // The name of the next line, written at the next Flush(), which runs with
  // the output locked, its lines just written; `first` when they are its
  // first (then the names start afresh too).
  void Add(const std::string& path);
  Status Flush(bool first);
  // After the run: the names closed and the manifest's line count brought up
  // to date with the `written` lines of this run.
  Status Finish(long long written);

 private:
  bool keeps_ = false;
  bool append_ = false;  // to the names, whose data set may be made meanwhile
  std::string data_;
  DataSetManifest manifest_;
  long long lines_before_ = 0;
  OutputFile names_;
  std::string pending_;
};

}  // namespace vexlor

#endif  // VEXLOR_BATCH_DATA_SET_FILES_H_
