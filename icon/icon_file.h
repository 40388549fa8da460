#ifndef VEXLOR_ICON_ICON_FILE_H_
#define VEXLOR_ICON_ICON_FILE_H_

#include <string>

#include <opencv2/core.hpp>

// Loads the image file at `path` as an icon: 8-bit samples, three channels in
// blue, green, red order, whatever the file holds (grey, alpha, 16-bit and
// palette images are converted). The file's orientation tag is not applied.
// Returns an empty matrix when the file is missing, is no image the library
// reads, or is refused by it (for example for declaring too many pixels).
cv::Mat LoadIcon(const char* path);

// The same for an image held in memory.
cv::Mat DecodeIcon(const cv::Mat& encoded);

// Saves `icon` at `path` in the format that the path's extension selects.
// Returns false with a one-line reason in `*error` when nothing was saved.
bool SaveIcon(const char* path, const cv::Mat& icon, std::string* error);

// Silences the library's own warnings on standard error (unreadable files and
// the like), which the callers report in their own words.
void QuietImageLibrary();

#endif  // VEXLOR_ICON_ICON_FILE_H_
