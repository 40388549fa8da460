#ifndef VEXLOR_ICON_ICON_FILE_H_
#define VEXLOR_ICON_ICON_FILE_H_

#include <cstdint>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

// Most pixels an icon may have: 2^26, about 67 megapixels (8192 x 8192).
// Photographs of tens of megapixels load; larger images, and files whose
// header only claims a gigantic size, are refused before their pixels are
// allocated. OPENCV_IO_MAX_IMAGE_PIXELS, the image library's own setting,
// replaces this limit when it is set.
inline constexpr std::uint64_t kDefaultMaxIconPixels = std::uint64_t{1} << 26;

// The limit in force (see kDefaultMaxIconPixels).
std::uint64_t MaxIconPixels();

// Loads the image file at `path` as an icon: 8-bit samples, three channels in
// blue, green, red order, whatever the file holds (grey, alpha, 16-bit and
// palette images are converted). The file's orientation tag is not applied.
// Returns an empty matrix when the file is missing, is no regular file (a
// pipe or a device could block the run forever), is no image the library
// reads, has more than MaxIconPixels() pixels, or cannot be decoded for
// want of memory. Safe to call from several threads at once.
cv::Mat LoadIcon(const std::string& path);

// The same for an image held in memory.
cv::Mat DecodeIcon(const cv::Mat& encoded);

// Encodes `icon` in the format that the extension of `path` selects and
// writes it there. Returns false with a one-line reason in `*error` when the
// file was not saved whole; a partly written file is emptied.
bool SaveIcon(const char* path, const cv::Mat& icon, std::string* error);

// Silences the library's own warnings on standard error (unreadable files and
// the like), which the callers report in their own words.
void QuietImageLibrary();

#endif  // VEXLOR_ICON_ICON_FILE_H_
