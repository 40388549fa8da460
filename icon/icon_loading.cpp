#include "icon/icon_loading.h"

#include <limits.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "icon/blur_check.h"
#include "icon/image_library.h"
#include "icon/jpeg_decoder.h"
#include "icon/own_decoders.h"
#include "icon/pixel_distortion.h"
#include "support/quoted.h"
#include "support/whole_file.h"

namespace vexlor {

namespace {

// Why `path` cannot be an icon file, or "".
std::string WhyNoIconFile(const std::string& path) {
  // A NUL byte would end the path early: another file would be read.
  if (path.find('\0') != std::string::npos) return "the path holds a NUL byte";
  if (path.empty()) return std::strerror(ENOENT);
  if (path.size() >= PATH_MAX) return std::strerror(ENAMETOOLONG);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return "not a regular file";
  return "";
}

// Decodes one icon under the pixel limit: a PNG or JPEG here, anything else
// through the image library. `decodeOwn` decodes the bytes if they are ours,
// `decode` hands them to the library.
template <typename DecodeOwn, typename Decode>
Status Decoding(const std::string& what, DecodeOwn decodeOwn, Decode decode, IconPixels* icon) {
  icon->Release();
  std::string reason = "no image that the image library reads";
  bool refused = true;  // beyond a bound, rather than no image
  const std::uint64_t maxPixels = MaxIconPixels();
  const auto tooLarge = [maxPixels] {
    return "more than " + std::to_string(maxPixels) + " pixels";
  };
  try {
    const OwnDecoding own = decodeOwn(maxPixels);
    if (own == OwnDecoding::kDecoded) return {};
    if (own == OwnDecoding::kTooLarge) {
      reason = tooLarge();
    } else if (own == OwnDecoding::kTooManyScans) {
      reason = "a JPEG of more than " + std::to_string(kMaxJpegScans) + " scans";
    } else if (own == OwnDecoding::kTooMuchMemory) {
      reason = "a JPEG of several scans whose decoding needs more than " +
               std::to_string(JpegMemoryBytes(maxPixels)) + " bytes";
    } else if (own == OwnDecoding::kNotOurs) {
      std::string why;
      const ImageLibrary* library = GetImageLibrary(&why);
      if (library == nullptr) return Status::IOError("cannot load " + what + ": " + why);
      switch (decode(*library, maxPixels)) {
        case LibraryDecoding::kDecoded: return {};
        case LibraryDecoding::kNoImage: refused = false; break;
        case LibraryDecoding::kTooLarge: reason = tooLarge(); break;
        case LibraryDecoding::kOutOfMemory: reason = "out of memory"; break;
      }
    } else {
      refused = false;
    }
  } catch (const std::bad_alloc&) {
    reason = "out of memory";
  }
  icon->Release();
  const std::string message = "cannot load " + what + ": " + reason;
  return refused ? Status::IconRefused(message) : Status::BadIcon(message);
}

std::string ExtensionOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* dot = std::strrchr(slash != nullptr ? slash : path, '.');
  return dot != nullptr ? dot : "";
}

}  // namespace

Status LoadIconPixels(const std::string& path, IconPixels* icon, const Background& background) {
  const std::string why = WhyNoIconFile(path);
  if (!why.empty()) {
    icon->Release();
    return Status::BadIcon("cannot load '" + Quoted(path) + "': " + why);
  }
  return Decoding(
      "'" + Quoted(path) + "'",
      [&](std::uint64_t maxPixels) {
        return DecodeOwnFormatFile(path, maxPixels, icon, background);
      },
      [&](const ImageLibrary& library, std::uint64_t maxPixels) {
        return library.read(path, maxPixels, background, icon);
      },
      icon);
}

Status DecodeIconPixels(const std::uint8_t* bytes, std::size_t size, IconPixels* icon,
                        const Background& background) {
  return Decoding(
      "an image in memory",
      [&](std::uint64_t maxPixels) {
        return DecodeOwnFormatBytes(bytes, size, maxPixels, icon, background);
      },
      [&](const ImageLibrary& library, std::uint64_t maxPixels) {
        return library.decode(bytes, size, maxPixels, background, icon);
      },
      icon);
}

Status SaveIconPixels(const std::string& path, const BgrImageView& icon) {
  // Encoded in memory and written here: the library's file writers do not
  // all notice a failed write, and leave a cut file behind as if saved.
  std::vector<std::uint8_t> bytes;
  std::string error;
  try {
    const ImageLibrary* library = GetImageLibrary(&error);
    if (library != nullptr) error = library->encode(ExtensionOf(path.c_str()), icon, &bytes);
  } catch (const std::bad_alloc&) {
    error = "out of memory";
  }
  if (error.empty())
    if (const int failure = WriteWholeFile(path, bytes.data(), bytes.size()); failure != 0)
      error = std::strerror(failure);
  if (error.empty()) return {};
  return Status::IOError("cannot save the icon as '" + path + "': " + error);
}

void DistortIcon(IconPixels& icon, const Distortion& distortion) {
  CheckBlurSize(distortion.blur);
  if (LeavesIconAsItIs(distortion)) return;
  if (distortion.blur <= kMaxTabulatedBlur) {
    DistortPixels({icon.data(), icon.rows(), icon.cols(), static_cast<std::size_t>(icon.cols()) * 3},
                  distortion);
    return;
  }
  std::string why;
  const ImageLibrary* library = GetImageLibrary(&why);
  if (library == nullptr) throw Error(Status::MeasureFailed("cannot distort the icon: " + why));
  library->distort(icon, distortion);
}

}  // namespace vexlor
