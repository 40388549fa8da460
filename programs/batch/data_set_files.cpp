#include "batch/data_set_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "batch/path_reader.h"
#include "vexlor/nearest.h"
#include "vexlor/results_file.h"

namespace vexlor {

namespace {

const char* FormName(RecordForm form) {
  return form == RecordForm::kDouble ? "--double" : "the TinyInt form";
}

// The form of the first record in the results file at `path`, if it has one.
std::optional<RecordForm> FirstRecordForm(const std::string& path) {
  std::optional<RecordForm> form;
  const Status stop = Status::InvalidArgument("");
  (void)ForEachResultsLine(path, [&](std::size_t, const double* values) -> Status {
    if (values == nullptr) return {};
    RecordForm found;
    if (FormOfRecord(values, &found).ok()) form = found;
    return stop;
  });
  return form;
}

// A shared flock(2) on the file at `path` while it lives: writers of
// results files hold an exclusive one while they write.
class SharedLock {
 public:
  explicit SharedLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ >= 0)
      while (::flock(fd_, LOCK_SH) != 0 && errno == EINTR) {
      }
  }
  ~SharedLock() {
    if (fd_ >= 0) ::close(fd_);  // which releases the lock
  }
  SharedLock(const SharedLock&) = delete;
  SharedLock& operator=(const SharedLock&) = delete;

 private:
  int fd_;
};

bool HoldsLines(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

}  // namespace

Status DataSetFiles::Check(const BatchOptions& options) {
  data_ = options.output;
  manifest_.form = options.form;
  manifest_.load = options.load;
  manifest_.distortion = options.distortion;
  manifest_.nul_names = options.null_separated;
  manifest_.version = VEXLOR_VERSION;
  const std::string shown = "'" + data_ + "'";
  // A device or a pipe as the output (/dev/null, a FIFO) is no data set.
  if (struct stat st; ::stat(data_.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return {};
  std::optional<DataSetManifest> before;
  if (options.append) {
    if (Status read = ReadManifest(data_, &before); !read.ok()) return read;
    if (before) {
      if (const auto differs = SettingsDifference(manifest_, *before))
        return Status::InvalidArgument("cannot append to the data set " + shown + ": it was made with " +
                                       differs->second + " (" + ManifestPathOf(data_) +
                                       "), this run has " + differs->first);
      manifest_.nul_names = before->nul_names;
      // Names appended after names that do not match the lines would name
      // the wrong lines from then on. Both are counted under the records'
      // lock, which every appender holds while it writes lines and names.
      const std::string names = NamesPathOf(data_);
      long long named = 0;
      {
        const SharedLock locked(data_);
        lines_before_ = std::max(0LL, CountPaths(data_.c_str(), false));
        named = HoldsLines(names) ? CountPaths(names.c_str(), before->nul_names) : 0;
      }
      if (named != lines_before_)
        return Status::InvalidArgument("cannot append to the data set " + shown + ": '" + names +
                                       "' has " + std::to_string(std::max(0LL, named)) +
                                       " names for its " + std::to_string(lines_before_) + " lines");
    } else if (HoldsLines(data_)) {
      // A plain results file: its records stay of one form.
      if (const std::optional<RecordForm> form = FirstRecordForm(data_); form && *form != options.form)
        return Status::InvalidArgument("cannot append " + std::string(FormName(options.form)) +
                                       " records to " + shown + ", which holds records in " +
                                       FormName(*form));
      return {};
    }
  }
  keeps_ = true;
  append_ = options.append;
  return {};
}

Status DataSetFiles::Open() {
  if (!keeps_) return {};
  if (Status opened = names_.Open(NamesPathOf(data_), append_); !opened.ok()) return opened;
  manifest_.lines = lines_before_;
  return WriteManifest(data_, manifest_);
}

void DataSetFiles::Add(const std::string& path) {
  if (!keeps_) return;
  pending_ += path;
  pending_ += manifest_.nul_names ? '\0' : '\n';
}

Status DataSetFiles::Flush(bool first) {
  if (pending_.empty()) return {};
  Status written = names_.Write(pending_, [&](off_t start) {
    // A names file left from an earlier data set of that name.
    if (first && start > 0) return Status::IOError("the names file '" + NamesPathOf(data_) +
                                                   "' holds names of no line of '" + data_ + "'");
    return Status();
  });
  pending_.clear();
  return written;
}

Status DataSetFiles::Finish(long long written) {
  if (!keeps_) return {};
  pending_.clear();  // names of lines that were not written
  if (Status closed = names_.Close(); !closed.ok()) return closed;
  manifest_.lines = lines_before_ + written;
  return WriteManifest(data_, manifest_);
}

}  // namespace vexlor
