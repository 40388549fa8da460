#ifndef VEXLOR_DESCRIPTORS_LAB_CONVERSION_H_
#define VEXLOR_DESCRIPTORS_LAB_CONVERSION_H_

#include <cstdint>

#include "vexlor/bgr_image.h"

namespace vexlor {

// The image library's 8-bit BGR to Lab conversion (cv::cvtColor with
// COLOR_BGR2Lab on CV_8UC3), computed here from two small tables: the library
// builds tables for every colour conversion on its first Lab conversion,
// which costs a single run most of its time. Equal to the library's result
// for every one of the 2^24 colours (a test compares them all). `lab`
// receives bgr.rows x bgr.cols pixels (L, a, b), 3 * cols bytes per row. Safe
// on several threads at once.
void ConvertBgrToLab(const BgrImageView& bgr, std::uint8_t* lab);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_LAB_CONVERSION_H_
