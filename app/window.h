#ifndef VEXLOR_APP_WINDOW_H_
#define VEXLOR_APP_WINDOW_H_

#include <string>

#include <opencv2/core.hpp>

// Shows `icon` in the auto-sized window "ProcessedIcon" and waits, without a
// time limit, until a key is pressed; then closes the window. Returns false
// with a one-line reason in `*error` when no window can be shown, for example
// when there is no display: the GUI toolkit would abort the whole process
// there, so that case is detected before the toolkit is touched.
bool ShowProcessedIcon(const cv::Mat& icon, std::string* error);

#endif  // VEXLOR_APP_WINDOW_H_
