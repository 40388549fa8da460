#include "app/run.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <string>

#include "app/run_options.h"
#include "app/unusable_settings.h"
#include "app/usage.h"
#include "app/window.h"
#include "process/exit_codes.h"
#include "process/standard_streams.h"
#include "decode/icon_loading.h"
#include "descriptors/measure.h"
#include "vexlor/console_report.h"
#include "vexlor/results_file.h"

namespace vexlor {

namespace {

// Whole milliseconds between two clock readings.
long Milliseconds(std::clock_t t0, std::clock_t t1) {
  return static_cast<long>(static_cast<double>(t1 - t0) / CLOCKS_PER_SEC *
                           1000.0);
}

void ReportFailure(const std::string& what) {
  std::fprintf(stderr, "vexlor: %s\n", what.c_str());
}

// Reports console text that could not be written; true when all went well.
bool ConsoleTextWritten(bool printed) {
  const Status status = CheckStandardOutput(printed);
  if (!status.ok()) ReportFailure(status.message());
  return status.ok();
}

}  // namespace

int RunVexlor(int argc, const char* const* argv) {
  RunOptions options;
  if (!ParseRunOptions(argc, argv, &options)) {
    PrintBadArguments();
    ConsoleTextWritten(true);
    return kExitBadArguments;
  }
  TellUnusableSettings("vexlor", stderr);
  const RecordForm form = options.tiny_int ? RecordForm::kTinyInt : RecordForm::kDouble;

  std::clock_t t0 = std::clock();
  IconPixels dst_img;
  Status status;
  {
    const StandardErrorSilenced decoderChatter;
    status = LoadIconPixels(options.img_path, &dst_img);
  }
  if (!status.ok()) {
    // An icon that is no image is the specified silent case; a loader that
    // fails by itself (its image library plugin missing) is told, and the
    // line still kept.
    const bool icon_at_fault = status.bad_icon();
    if (status.code() != Status::Code::kBadIcon) ReportFailure(status.message());
    status = WriteMessageToFile(options.results_path, options.append_results, kBadIcon);
    if (!status.ok()) ReportFailure("results file: " + status.message());
    return icon_at_fault ? kExitBadIcon : kExitFailed;
  }

  bool complete = true;
  try {
    DistortIcon(dst_img, options.distortion);
    if (std::strcmp(options.save_path, "no") != 0) {
      {
        const StandardErrorSilenced encoderChatter;
        status = SaveIconPixels(options.save_path, dst_img.view());
      }
      if (!status.ok()) {
        ReportFailure(status.message());
        complete = false;
      }
    }

    const Descriptors IconDescriptors = MeasureDistorted(dst_img.view(), nullptr);
    std::clock_t t1 = std::clock();
    if (options.print_info)
      std::printf(
          "\nINFO: LoadIamge() + Descriptors() + IconProcess() functions took "
          "%ld ms.\n",
          Milliseconds(t0, t1));

    t0 = std::clock();
    if (options.print_results) PrintResults(IconDescriptors, form);
    status = WriteToFile(IconDescriptors, options.results_path, options.append_results, form);
    if (!status.ok()) {
      ReportFailure("results file: " + status.message());
      complete = false;
    }
    t1 = std::clock();
    if (options.print_info)
      std::printf("\nINFO: WriteToFile() function took %ld ms.\n",
                  Milliseconds(t0, t1));
  } catch (const std::exception& e) {
    // The icon was loaded but could not be measured (memory, a library
    // error): its line still goes into the results file.
    ReportFailure(std::string("cannot measure '") + options.img_path +
                  "': " + StatusOf(e).message());
    status = WriteMessageToFile(options.results_path, options.append_results, kBadIcon);
    if (!status.ok()) ReportFailure("results file: " + status.message());
    ConsoleTextWritten(options.print_info || options.print_results);
    return kExitFailed;
  }

  // Console text is checked before the window waits for its key.
  if (!ConsoleTextWritten(options.print_info || options.print_results))
    complete = false;

  if (options.show_figures) {
    status = ShowProcessedIcon(dst_img.view());
    if (!status.ok()) {
      ReportFailure(std::string("cannot show '") + options.img_path +
                    "' in the window \"ProcessedIcon\": " + status.message());
      complete = false;
    }
  }

  dst_img.Release();
  return complete ? kExitSuccess : kExitFailed;
}

}  // namespace vexlor
