#ifndef VEXLOR_DESCRIPTORS_LAB_CONVERSION_H_
#define VEXLOR_DESCRIPTORS_LAB_CONVERSION_H_

#include <opencv2/core.hpp>

namespace vexlor {

// The image library's 8-bit BGR to Lab conversion (cv::cvtColor with
// COLOR_BGR2Lab on CV_8UC3), computed here: the library builds tables for
// every colour conversion on its first Lab conversion, which costs a single
// run most of its time, while this needs two small ones. Equal to the
// library's result for every one of the 2^24 colours (a test compares them
// all). `lab` is (re)allocated as CV_8UC3 of the size of `bgr`. Safe on
// several threads at once.
void ConvertBgrToLab(const cv::Mat& bgr, cv::Mat& lab);

}  // namespace vexlor

#endif  // VEXLOR_DESCRIPTORS_LAB_CONVERSION_H_
