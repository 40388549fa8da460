#include "app/run.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <new>
#include <string>

#include "app/run_options.h"
#include "app/standard_streams.h"
#include "app/usage.h"
#include "app/window.h"
#include "descriptors/descriptors.h"
#include "icon/icon_file.h"
#include "icon/icon_process.h"
#include "report/results_file.h"

namespace {

// Whole milliseconds between two clock readings.
long Milliseconds(std::clock_t t0, std::clock_t t1) {
  return static_cast<long>(static_cast<double>(t1 - t0) / CLOCKS_PER_SEC *
                           1000.0);
}

std::string FailureReason(const std::exception& e) {
  if (const auto* library = dynamic_cast<const cv::Exception*>(&e))
    return "image library error: " + library->err;
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr) return "out of memory";
  return e.what();
}

void ReportFailure(const std::string& what) {
  std::fprintf(stderr, "vexlor: %s\n", what.c_str());
}

// Reports console text that could not be written; true when all went well.
bool CheckStandardOutput(bool printed) {
  const std::string failure = StandardOutputFailure(printed);
  if (failure.empty()) return true;
  ReportFailure("cannot write to standard output: " + failure);
  return false;
}

}  // namespace

int RunVexlor(int argc, const char* const* argv) {
  RunOptions options;
  if (!ParseRunOptions(argc, argv, &options)) {
    PrintBadArguments();
    CheckStandardOutput(true);
    return kExitBadArguments;
  }

  std::clock_t t0 = std::clock();
  cv::Mat dst_img;
  {
    const StandardErrorSilenced decoderChatter;
    dst_img = LoadIcon(options.img_path);
  }
  std::string error;
  if (dst_img.empty()) {
    if (!WriteMessageToFile(options.results_path, options.append_results,
                            kBadIcon, &error))
      ReportFailure("results file: " + error);
    return kExitBadIcon;
  }

  bool complete = true;
  try {
    IconProcess(dst_img, options.blur_size, options.c);
    if (std::strcmp(options.save_path, "no") != 0) {
      bool saved;
      {
        const StandardErrorSilenced encoderChatter;
        saved = SaveIcon(options.save_path, dst_img, &error);
      }
      if (!saved) {
        ReportFailure(std::string("cannot save the processed icon as '") +
                      options.save_path + "': " + error);
        complete = false;
      }
    }

    Descriptors IconDescriptors(dst_img);
    std::clock_t t1 = std::clock();
    if (options.print_info)
      std::printf(
          "\nINFO: LoadIamge() + Descriptors() + IconProcess() functions took "
          "%ld ms.\n",
          Milliseconds(t0, t1));

    t0 = std::clock();
    if (options.print_results) IconDescriptors.PrintResults(options.tiny_int);
    if (!IconDescriptors.WriteToFile(options.results_path,
                                     options.append_results, options.tiny_int,
                                     &error)) {
      ReportFailure("results file: " + error);
      complete = false;
    }
    t1 = std::clock();
    if (options.print_info)
      std::printf("\nINFO: WriteToFile() function took %ld ms.\n",
                  Milliseconds(t0, t1));
  } catch (const std::exception& e) {
    // The icon was loaded but could not be measured (memory, a library
    // error): its line still goes into the results file.
    ReportFailure(std::string("cannot measure '") + options.img_path + "': " +
                  FailureReason(e));
    if (!WriteMessageToFile(options.results_path, options.append_results,
                            kBadIcon, &error))
      ReportFailure("results file: " + error);
    CheckStandardOutput(options.print_info || options.print_results);
    return kExitOutputFailed;
  }

  // Console text is checked before the window waits for its key.
  if (!CheckStandardOutput(options.print_info || options.print_results))
    complete = false;

  if (options.show_figures && !ShowProcessedIcon(dst_img, &error)) {
    ReportFailure(std::string("cannot show '") + options.img_path +
                  "' in the window \"ProcessedIcon\": " + error);
    complete = false;
  }

  dst_img.release();
  return complete ? kExitSuccess : kExitOutputFailed;
}
