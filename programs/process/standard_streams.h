#ifndef VEXLOR_PROCESS_STANDARD_STREAMS_H_
#define VEXLOR_PROCESS_STANDARD_STREAMS_H_

#include <cstdio>
#include <string>

#include "vexlor/status.h"

namespace vexlor {

// Guards the three standard descriptors for the whole run. A descriptor that
// the caller closed is reopened on /dev/null, so that no file the run opens
// later can take its number and receive console text. Whether standard
// output was closed is remembered for CheckStandardOutput().
void GuardStandardStreams();

// After the run's console output: flushes standard output and returns a
// kIOError ("cannot write to standard output: <reason>") when some of it
// could not be written (closed, full, or a broken pipe). `printed` says
// whether the run printed anything at all.
Status CheckStandardOutput(bool printed);

// Whether standard output was closed when the program started.
bool StandardOutputWasClosed();

// Points standard error at /dev/null while it lives. Image decoders print
// their own complaints there (libpng, GDAL, ...) about files that the tools
// already report in their own way ("Bad Icon"). original() writes to where
// standard error went before, for the tools' own messages.
class StandardErrorSilenced {
 public:
  StandardErrorSilenced();
  ~StandardErrorSilenced();
  StandardErrorSilenced(const StandardErrorSilenced&) = delete;
  StandardErrorSilenced& operator=(const StandardErrorSilenced&) = delete;

  std::FILE* original() const { return original_; }

 private:
  int saved_ = -1;
  std::FILE* original_ = stderr;
};

}  // namespace vexlor

#endif  // VEXLOR_PROCESS_STANDARD_STREAMS_H_
