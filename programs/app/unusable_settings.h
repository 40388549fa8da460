#ifndef VEXLOR_APP_UNUSABLE_SETTINGS_H_
#define VEXLOR_APP_UNUSABLE_SETTINGS_H_

#include <cstdio>

namespace vexlor {

// Tells on `messages`, as "PROGRAM: ...", each setting of the environment
// that is not used as given (an OPENCV_IO_MAX_IMAGE_PIXELS that is no limit).
// The run goes on with the default.
void TellUnusableSettings(const char* program, std::FILE* messages);

}  // namespace vexlor

#endif  // VEXLOR_APP_UNUSABLE_SETTINGS_H_
