#include "batch/batch_run.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "batch/ordered_pipeline.h"
#include "batch/path_reader.h"
#include "batch/progress.h"
#include "descriptors/lab_icon.h"
#include "report/output_file.h"
#include "report/results_file.h"

namespace {

// Output is written in whole lines, in chunks of about this size: every
// write(2) then holds complete records, which keeps concurrent appenders to
// one file from interleaving.
constexpr size_t kFlushBytes = 1 << 16;

void Report(std::FILE* messages, const std::string& what) {
  std::fprintf(messages, "vexlor-batch: %s\n", what.c_str());
}

void ReportList(std::FILE* messages, const char* problem, const std::string& list,
                const char* reason) {
  std::fprintf(messages, "vexlor-batch: cannot %s list '%s': %s\n", problem, list.c_str(),
               reason);
}

using FileOwner = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FileOwner OpenList(const std::string& list) {
  if (list == "-") return FileOwner(stdin, [](std::FILE*) { return 0; });
  return FileOwner(std::fopen(list.c_str(), "rb"), std::fclose);
}

// Whether `path` names the file open as `fd`: writing there would destroy the
// list before it is read.
bool SameFile(int fd, const std::string& path) {
  struct stat open, named;
  return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
         open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* messages) {
  FileOwner list = OpenList(options.list);
  if (!list) {
    ReportList(messages, "open", options.list, std::strerror(errno));
    return kBatchFailed;
  }

  if (!options.output.empty() && SameFile(fileno(list.get()), options.output)) {
    Report(messages, "the output '" + options.output + "' is the list itself");
    return kBatchFailed;
  }

  OutputFile out;
  std::string error;
  if (options.output.empty()) {
    out.Adopt(STDOUT_FILENO, "standard output");
  } else if (!out.Open(options.output.c_str(), options.append, &error)) {
    Report(messages, error);
    return kBatchFailed;
  }
  std::string pending;

  const bool showProgress = !options.quiet && ::isatty(::fileno(messages));
  const long long total =
      showProgress ? CountPaths(options.list == "-" ? "/dev/stdin" : options.list.c_str(),
                                options.null_separated)
                   : -1;
  Progress progress(messages, showProgress, total);

  PrepareLabConversion();
  PathReader reader(list.get(), options.null_separated);
  bool writeFailed = false;
  long long done = 0, bad = 0;
  auto flush = [&] {
    if (pending.empty() || writeFailed) return;
    if (!out.Write(pending, &error)) {
      Report(messages, error);
      writeFailed = true;
    }
    pending.clear();
  };

  OrderedPipeline pipeline;
  pipeline.next = [&] { return reader.Next(); };
  pipeline.work = [&](const std::string& path) {
    return IconRecordLine(path, options.settings);
  };
  pipeline.emit = [&](std::string&& line) {
    ++done;
    if (std::string_view(line).substr(0, line.size() - 1) == kBadIcon) ++bad;
    pending += line;
    if (pending.size() >= kFlushBytes) flush();
    progress.Update(done, bad);
    return !writeFailed;
  };
  pipeline.idle = flush;
  pipeline.jobs = options.jobs;
  pipeline.window = 16 * static_cast<size_t>(options.jobs) + 16;
  pipeline.Run();

  flush();
  if (!writeFailed && !out.Close(&error)) {
    Report(messages, error);
    writeFailed = true;
  }
  progress.Finish(done, bad);
  if (reader.failed()) {
    ReportList(messages, "read", options.list, std::strerror(reader.error()));
    return kBatchFailed;
  }
  return writeFailed ? kBatchFailed : kBatchSuccess;
}
