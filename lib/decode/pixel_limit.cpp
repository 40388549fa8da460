#include "decode/pixel_limit.h"

#include <cstdlib>
#include <cstring>

#include "support/quoted.h"
#include "vexlor/distortion.h"

namespace vexlor {

namespace {

constexpr const char* kVariable = "OPENCV_IO_MAX_IMAGE_PIXELS";
constexpr std::size_t kShownValue = 40;  // bytes of a bad value shown in its message

// Plain data, so that it can be read before the program's statics exist.
struct Reading {
  std::uint64_t pixels;
  bool unusable;
  char value[kShownValue + 2];  // one more, to tell a longer value
};

Reading Read(const char* setting) {
  Reading reading{kDefaultMaxIconPixels, false, {}};
  if (setting == nullptr) return reading;
  std::uint64_t pixels = 0;
  if (ParsePixelLimit(setting, &pixels) && pixels > 0) {
    reading.pixels = pixels;
  } else {
    reading.unusable = true;
    std::strncpy(reading.value, setting, kShownValue + 1);
  }
  return reading;
}

// Taken before main by ReadPixelLimitBeforeStart, when a program does.
constinit Reading early_reading{};
constinit bool read_early = false;

const Reading& TheReading() {
  static const Reading reading = read_early ? early_reading : Read(std::getenv(kVariable));
  return reading;
}

// "digits" of `value` at the end of `buffer` (of at least 21 bytes).
char* Decimal(std::uint64_t value, char* end) {
  *--end = '\0';
  do {
    *--end = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return end;
}

}  // namespace

bool ParsePixelLimit(const char* text, std::uint64_t* pixels) {
  std::uint64_t value = 0;
  const char* p = text;
  for (; *p >= '0' && *p <= '9'; ++p) {
    const std::uint64_t digit = static_cast<std::uint64_t>(*p - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  if (p == text) return false;
  std::uint64_t unit = 1;
  if (std::strcmp(p, "KB") == 0 || std::strcmp(p, "Kb") == 0 || std::strcmp(p, "kb") == 0)
    unit = 1024;
  else if (std::strcmp(p, "MB") == 0 || std::strcmp(p, "Mb") == 0 || std::strcmp(p, "mb") == 0)
    unit = 1024 * 1024;
  else if (*p != '\0')
    return false;
  if (value > UINT64_MAX / unit) return false;
  *pixels = value * unit;
  return true;
}

std::uint64_t MaxIconPixels() { return TheReading().pixels; }

std::string PixelLimitProblem() {
  const Reading& reading = TheReading();
  if (!reading.unusable) return "";
  return std::string(kVariable) + "='" + Quoted(reading.value, kShownValue) +
         "' is no pixel limit (a whole number above 0, KB or MB after it if wished): " +
         std::to_string(reading.pixels) + " pixels are used";
}

void PassPixelLimitToImageLibrary() {
  const Reading& reading = TheReading();
  if (!reading.unusable) return;
  char digits[24];
  ::setenv(kVariable, Decimal(reading.pixels, digits + sizeof digits), 1);
}

void ReadPixelLimitBeforeStart(char** environment) {
  const std::size_t length = std::strlen(kVariable);
  early_reading = Read(nullptr);
  read_early = true;
  for (char** entry = environment; *entry != nullptr; ++entry) {
    if (std::strncmp(*entry, kVariable, length) != 0 || (*entry)[length] != '=') continue;
    early_reading = Read(*entry + length + 1);
    if (!early_reading.unusable) return;
    // The entry itself is replaced: the C library takes this array as the
    // environment when the program starts.
    static char replaced[64];
    std::memcpy(replaced, kVariable, length);
    replaced[length] = '=';
    char digits[24];
    const char* value = Decimal(early_reading.pixels, digits + sizeof digits);
    std::memcpy(replaced + length + 1, value, std::strlen(value) + 1);
    *entry = replaced;
    return;
  }
}

}  // namespace vexlor
