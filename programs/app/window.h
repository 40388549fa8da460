#ifndef VEXLOR_APP_WINDOW_H_
#define VEXLOR_APP_WINDOW_H_

#include <string>

#include "vexlor/bgr_image.h"
#include "vexlor/status.h"

namespace vexlor {

// Shows `icon` (8-bit BGR) in the auto-sized window "ProcessedIcon" and waits,
// without a time limit, until a key is pressed; then closes the window.
//
// The window lives in a helper process, vexlor-window, beside the program
// (or in ../libexec/vexlor/): the GUI toolkit aborts its process when it
// cannot start or loses its display, and that must never take a run down.
// Returns kIOError with the reason when no window could be shown or the
// toolkit failed, including platforms on which no key can ever arrive
// (QT_QPA_PLATFORM offscreen or minimal).
Status ShowProcessedIcon(const BgrImageView& icon);

// Why no window can be opened in this environment, or "" when one may be.
std::string WhyNoWindow();

}  // namespace vexlor

#endif  // VEXLOR_APP_WINDOW_H_
