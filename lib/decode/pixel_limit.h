#ifndef VEXLOR_DECODE_PIXEL_LIMIT_H_
#define VEXLOR_DECODE_PIXEL_LIMIT_H_

#include <cstdint>
#include <string>

namespace vexlor {

// The pixel limit's one reading. OPENCV_IO_MAX_IMAGE_PIXELS is read once per
// process, with the image library's own grammar: decimal digits, optionally
// followed by KB, Kb or kb (x 1024) or MB, Mb or mb (x 1024 x 1024). Every
// decoder, ours and the library's, applies the same limit.
//
// A value that is no limit (another text, 0, or more than 64 bits hold) is
// not used: the default applies and PixelLimitProblem() says so. The image
// library would die of such a value when it is loaded (it throws while its
// statics are built), so PassPixelLimitToImageLibrary() puts the limit in
// force into the variable before the library is loaded.

// Parses `text` as the image library does; false for a text that is no limit.
// Allocates nothing: safe before the program's statics exist.
bool ParsePixelLimit(const char* text, std::uint64_t* pixels);

// "" when the setting is absent or usable, else one line that names the
// variable, its value and the limit used instead.
std::string PixelLimitProblem();

// Replaces an unusable setting in the environment by the limit in force.
// Idempotent. Call before the image library is loaded, while no other
// thread reads the environment.
void PassPixelLimitToImageLibrary();

// The same before the program starts, for programs linked with the image
// library, from an entry of .preinit_array (which runs before the shared
// libraries' initialisers, and before the C library's setenv could work):
// reads the setting from `environment`, the array the program starts with,
// and replaces an unusable entry in it.
void ReadPixelLimitBeforeStart(char** environment);

}  // namespace vexlor

#endif  // VEXLOR_DECODE_PIXEL_LIMIT_H_
