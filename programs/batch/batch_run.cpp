#include "batch/batch_run.h"

#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "batch/data_set_files.h"
#include "batch/icon_inputs.h"
#include "batch/ordered_pipeline.h"
#include "batch/progress.h"
#include "process/exit_codes.h"
#include "decode/image_signatures.h"
#include "decode/svg_renderer.h"
#include "descriptors/measure.h"
#include "report/output_file.h"
#include "support/quoted.h"
#include "vexlor/results_file.h"

namespace vexlor {

namespace {

// Output is written in whole lines, in chunks of about this size: every
// write(2) then holds complete records, which keeps concurrent appenders to
// one file from interleaving.
constexpr size_t kFlushBytes = 1 << 16;

void Report(std::FILE* messages, const std::string& what) {
  std::fprintf(messages, "vexlor-batch: %s\n", what.c_str());
}

// One path's outcome: its line (the record and a newline, or "Bad Icon" and
// a newline, or nothing for a walked file that is no image), and what is told
// of it: why it is bad, and the kind of reason for the summary.
struct IconLine {
  std::string path;
  std::string line;
  std::string error;
  std::string kind;
  bool bad = false;
  bool unmeasured = false;  // loaded, but could not be measured: a failure of the run
  bool passed_over = false;
};

// The reason in `message` without what failed ("cannot load 'PATH': "), cut
// before any detail (": ...", " (...)"): what the summary counts.
std::string KindOf(const std::string& message, const std::string& path) {
  std::string reason = message;
  for (const char* verb : {"cannot load '", "cannot measure '"}) {
    const std::string prefix = verb + Quoted(path) + "': ";
    if (reason.starts_with(prefix)) {
      reason.erase(0, prefix.size());
      break;
    }
  }
  return reason.substr(0, std::min({reason.find(": "), reason.find(" ("), reason.find(", ")}));
}

// A hint where the cause of a bad path is plain from the path itself.
std::string HintFor(const std::string& path, bool nulSeparated) {
  if (!path.empty() && path.back() == '\r')
    return " (the path ends in a carriage return: a list with Windows line ends?)";
  if (!nulSeparated && path.find('\0') != std::string::npos)
    return " (a list of paths that end in NUL is read with -0)";
  return "";
}

// Never throws: a failure costs this path its record, not the run.
IconLine MeasureLine(const IconPath& icon, const BatchOptions& options) {
  const std::string& path = icon.path;
  IconLine result;
  result.path = path;  // for the names
  Status status;
  try {
    std::optional<Descriptors> described;
    status = MeasureIconFile(path, options.load, options.distortion, &described);
    if (status.ok()) {
      result.line = RecordLine(*described, options.form) + '\n';
      return result;
    }
  } catch (const std::exception& e) {
    status = Status::MeasureFailed("cannot measure '" + Quoted(path) + "': " +
                                   StatusOf(e).message());
  }
  if (icon.walked && status.code() == Status::Code::kBadIcon && !FileLooksLikeImage(path)) {
    result.passed_over = true;
    return result;
  }
  result.line = std::string(kBadIcon) + '\n';
  result.error = status.message() + HintFor(path, options.null_separated);
  result.kind = KindOf(status.message(), path);
  result.bad = true;
  result.unmeasured = !status.bad_icon();
  return result;
}

// How many paths were bad, and why.
class BadSummary {
 public:
  void Add(const std::string& kind) {
    ++bad_;
    auto found = std::find_if(kinds_.begin(), kinds_.end(),
                              [&](const auto& k) { return k.first == kind; });
    if (found == kinds_.end())
      kinds_.emplace_back(kind, 1);
    else
      ++found->second;
  }
  long long bad() const { return bad_; }
  // "3 of 20 icons gave "Bad Icon": 2 No such file or directory, 1 not a
  // regular file", the most frequent reasons first.
  std::string Line(long long done) const {
    std::vector<std::pair<std::string, long long>> kinds = kinds_;
    std::stable_sort(kinds.begin(), kinds.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::string line = std::to_string(bad_) + " of " + std::to_string(done) +
                       " icons gave \"Bad Icon\":";
    for (std::size_t i = 0; i < kinds.size(); ++i)
      line += (i == 0 ? " " : ", ") + std::to_string(kinds[i].second) + " " + kinds[i].first;
    return line;
  }

 private:
  long long bad_ = 0;
  std::vector<std::pair<std::string, long long>> kinds_;
};

// The signals that end a run (interrupt, terminate, hang-up) may not land
// while the output is written: the kernel cuts a write into a file short when
// such a signal is about to kill the process, which would leave a torn last
// line. Worker threads never take them; the writing thread holds them while
// it writes, so that they end the run between two whole writes.
class StopSignals {
 public:
  StopSignals() {
    sigemptyset(&set_);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set_, s);
  }
  void Hold() const { pthread_sigmask(SIG_BLOCK, &set_, nullptr); }
  void Release() const { pthread_sigmask(SIG_UNBLOCK, &set_, nullptr); }

 private:
  sigset_t set_;
};

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* messages) {
  // The inputs must be usable before the output is opened and emptied.
  IconInputs inputs(options.inputs, options.null_separated);
  if (Status opened = inputs.Open(messages); !opened.ok()) {
    Report(messages, opened.message());
    return opened.code() == Status::Code::kInvalidArgument ? kExitBadArguments : kExitFailed;
  }
  if (!options.output.empty() && inputs.Includes(options.output)) {
    Report(messages, "the output '" + options.output + "' is the list itself");
    return kExitFailed;
  }

  DataSetFiles dataSet;
  if (!options.output.empty())
    if (Status checked = dataSet.Check(options); !checked.ok()) {
      Report(messages, checked.message());
      return checked.code() == Status::Code::kInvalidArgument ? kExitBadArguments : kExitFailed;
    }

  OutputFile out;
  if (options.output.empty()) {
    out.Adopt(STDOUT_FILENO, "standard output");
  } else if (Status opened = out.Open(options.output, options.append); !opened.ok()) {
    Report(messages, opened.message());
    return kExitFailed;
  } else if (Status companions = dataSet.Open(); !companions.ok()) {
    Report(messages, companions.message());
    return kExitFailed;
  }
  std::string pending;

  const bool showProgress = !options.quiet && ::isatty(::fileno(messages));
  Progress progress(messages, showProgress, showProgress ? inputs.Count() : -1);

  bool writeFailed = false;
  long long done = 0, unmeasured = 0, passedOver = 0;
  BadSummary summary;
  const StopSignals stops;
  auto flush = [&] {
    if (pending.empty() || writeFailed) return;
    stops.Hold();
    // The names of the same lines, written under the output's lock.
    Status written = out.Write(pending, [&](off_t start) { return dataSet.Flush(start == 0); });
    if (!written.ok()) {
      Report(messages, written.message());
      writeFailed = true;
    }
    stops.Release();  // a signal that came meanwhile ends the run here
    pending.clear();
  };

  // With one job the reader runs on this thread: what is done goes out
  // before it waits for more of a list that arrives slowly (a co-process).
  if (options.jobs <= 1) inputs.set_before_wait(flush);

  OrderedPipeline<IconLine, IconPath> pipeline;
  pipeline.next = [&] { return inputs.Next(); };
  pipeline.work = [&](const IconPath& icon) {
    // Every thread here is the run's own, measuring icon after icon.
    KeepSvgHoldsOnThisThread();
    return MeasureLine(icon, options);
  };
  pipeline.emit = [&](IconLine&& result) {
    if (result.passed_over) {
      ++passedOver;
      return !writeFailed;
    }
    if (!dataSet.CanName(result.path)) {
      Report(messages, "passed over '" + Quoted(result.path) +
                           "': its path holds a line end, which a names file of lines cannot "
                           "hold (-0 makes one of NUL-terminated names)");
      ++passedOver;
      return !writeFailed;
    }
    dataSet.Add(result.path);
    ++done;
    if (result.bad) summary.Add(result.kind);
    if (result.unmeasured) ++unmeasured;
    if (!result.error.empty() && (result.unmeasured || !options.no_reasons)) {
      if (showProgress) std::fputs("\r\033[K", messages);
      Report(messages, result.error);
    }
    pending += result.line;
    if (pending.size() >= kFlushBytes) flush();
    progress.Update(done, summary.bad());
    return !writeFailed;
  };
  pipeline.idle = flush;
  // The workers start with the signals held (they inherit the mask), and
  // keep them so; this thread takes them from then on.
  pipeline.started = [&] { stops.Release(); };
  pipeline.jobs = options.jobs;
  // Room for the small icons a worker measures while another decodes a
  // large one that must be written first (a 512 px icon takes as long as
  // a hundred 16 px ones); a few hundred lines of memory.
  pipeline.window = 256 * static_cast<size_t>(options.jobs);
  stops.Hold();
  pipeline.Run();

  flush();
  if (Status closed = out.Close(); !writeFailed && !closed.ok()) {
    Report(messages, closed.message());
    writeFailed = true;
  }
  if (Status finished = dataSet.Finish(done); !writeFailed && !finished.ok()) {
    Report(messages, finished.message());
    writeFailed = true;
  }
  progress.Finish(done, summary.bad());
  if (passedOver > 0)
    Report(messages, "passed over " + std::to_string(passedOver) +
                         " files in the folders that are no image");
  if (summary.bad() > 0) Report(messages, summary.Line(done));
  if (const Status read = inputs.status(); !read.ok()) {
    Report(messages, read.message());
    return kExitFailed;
  }
  if (writeFailed || unmeasured > 0 || inputs.missed_folders()) return kExitFailed;
  return options.error_on_bad && summary.bad() > 0 ? kExitSomeBad : kExitSuccess;
}

}  // namespace vexlor
