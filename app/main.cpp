#include <csignal>
#include <cstdio>
#include <exception>
#include <new>

#include <opencv2/core.hpp>

#include "app/run.h"
#include "app/standard_streams.h"
#include "icon/icon_file.h"

int main(int argc, char** argv) {
  GuardStandardStreams();
  // A write past the file size limit then fails with EFBIG instead of killing
  // the process, and the part of a line already written can be cut back.
  std::signal(SIGXFSZ, SIG_IGN);
  QuietImageLibrary();
  try {
    return RunVexlor(argc, argv);
  } catch (const cv::Exception& e) {
    std::fprintf(stderr, "vexlor: image library error: %s\n", e.err.c_str());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "vexlor: out of memory\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vexlor: %s\n", e.what());
  }
  return kExitOutputFailed;
}
