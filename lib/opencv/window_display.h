#ifndef VEXLOR_OPENCV_WINDOW_DISPLAY_H_
#define VEXLOR_OPENCV_WINDOW_DISPLAY_H_

#include <string>

#include "vexlor/bgr_image.h"

namespace vexlor {

// Shows `icon` in the auto-sized window `name` with the image library's GUI
// toolkit, waits without a time limit until a key is pressed, and closes the
// window. "" then, else the toolkit's error. Only vexlor-window links it: the
// toolkit may abort the process it runs in.
std::string ShowUntilKeyPressed(const char* name, const BgrImageView& icon);

}  // namespace vexlor

#endif  // VEXLOR_OPENCV_WINDOW_DISPLAY_H_
