#include "decode/icon_loading.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "decode/decoding_failures.h"
#include "decode/file_bytes.h"
#include "decode/image_library.h"
#include "decode/image_signatures.h"
#include "decode/own_decoders.h"
#include "decode/svg_renderer.h"
#include "pixels/blur_check.h"
#include "pixels/pixel_distortion.h"
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

// What an icon that is neither PNG nor JPEG is, from its first bytes, and
// its bytes if it is an SVG: a file's whole (up to kMaxSvgBytes), or bytes
// given in memory.
struct ForeignIcon {
  std::vector<std::uint8_t> bytes;
  bool is_svg = false;
  bool too_long = false;
  bool is_dicom = false;
};

// The image library takes a file with this mark for DICOM. Its DICOM reader
// (GDCM) checks damaged files with assertions, which abort the process: 133
// bytes end a whole batch. No icon is a DICOM file, so none is handed to it.
bool LooksLikeDicom(const std::uint8_t* head, std::size_t size) {
  return size >= 132 && std::memcmp(head + 128, "DICM", 4) == 0;
}

// What the first `size` bytes of an icon say it is; its bytes not yet kept.
ForeignIcon InspectHead(const std::uint8_t* head, std::size_t size) {
  ForeignIcon source;
  source.is_svg = LooksLikeSvg(head, size);
  source.is_dicom = LooksLikeDicom(head, size);
  return source;
}

// Bytes given in memory; an SVG's are kept (up to kMaxSvgBytes).
ForeignIcon InspectBytes(const std::uint8_t* bytes, std::size_t size) {
  ForeignIcon source = InspectHead(bytes, size);
  source.is_svg = source.is_svg && size <= kMaxSvgBytes;
  if (source.is_svg) source.bytes.assign(bytes, bytes + size);
  return source;
}

// A file already read whole (at most kWholeFileLimit, below kMaxSvgBytes):
// an SVG keeps the bytes themselves, not a copy.
static_assert(kWholeFileLimit <= kMaxSvgBytes);
ForeignIcon InspectWhole(std::vector<std::uint8_t>&& whole) {
  ForeignIcon source = InspectHead(whole.data(), whole.size());
  if (source.is_svg) source.bytes = std::move(whole);
  return source;
}

ForeignIcon InspectFile(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return {};
  std::uint8_t head[4096];
  const std::size_t got = std::fread(head, 1, sizeof head, file.get());
  ForeignIcon source = InspectHead(head, got);
  if (!source.is_svg) return source;
  source.bytes.assign(head, head + got);
  std::uint8_t buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;) {
    if (source.bytes.size() + n > kMaxSvgBytes) {
      source.too_long = true;
      return source;
    }
    source.bytes.insert(source.bytes.end(), buffer, buffer + n);
  }
  return source;
}

// An SVG through its renderer process. Every failure is told: librsvg
// refuses hostile files (entity loops, ...) as it refuses broken ones.
Status RenderSvgIcon(const ForeignIcon& source, const std::string& basePath,
                     const SvgSettings& settings, IconPixels* icon) {
  if (source.too_long)
    return Status::IconRefused("an SVG of more than " + std::to_string(kMaxSvgBytes) + " bytes");
  return RenderSvg(source.bytes.data(), source.bytes.size(), basePath, settings, icon);
}

// Decodes what is neither PNG nor JPEG: an SVG through its renderer
// process, anything else but DICOM through the image library (`decode`).
template <typename Decode>
Status DecodeForeign(const ForeignIcon& source, Decode decode, const std::string& basePath,
                     const LoadSettings& settings, std::uint64_t maxPixels, IconPixels* icon) {
  if (source.is_svg)
    return RenderSvgIcon(source, basePath, {maxPixels, settings.svg_size, settings.background},
                         icon);
  EndSvgRun();
  if (source.is_dicom)
    return Status::IconRefused(
        "a DICOM file (not read: the image library's DICOM reader aborts the process on "
        "damaged files)");
  const ImageLibrary* library = nullptr;
  if (Status loaded = GetImageLibrary(&library); !loaded.ok()) return loaded;
  return decode(*library, maxPixels);
}

// Decodes one icon under the pixel limit: a PNG or JPEG here, anything else
// as DecodeForeign does. `decodeOwn` decodes the bytes if they are ours,
// `inspect()` says what else they are (`basePath` is where an SVG's
// references are resolved), `decode` hands the bytes to the library. Every
// failure names `what`.
template <typename DecodeOwn, typename Decode, typename Inspect>
Status Decoding(const std::string& what, DecodeOwn decodeOwn, Decode decode, Inspect inspect,
                const std::string& basePath, const LoadSettings& settings, IconPixels* icon) {
  icon->Clear();
  const std::uint64_t maxPixels = MaxIconPixels();
  Status status;
  try {
    if (std::optional<Status> own = decodeOwn(maxPixels)) {
      EndSvgRun();
      status = std::move(*own);
    } else {
      status = DecodeForeign(inspect(), decode, basePath, settings, maxPixels, icon);
    }
  } catch (const std::bad_alloc&) {
    status = OutOfMemory();
  }
  if (status.ok()) return {};
  icon->Clear();
  return WithContext("cannot load " + what, status);
}

// Bytes the library reads only from files (decode/image_signatures.h) are
// written to a temporary file of vexlor's own, in $TMPDIR or /tmp, read from
// there, and the file is removed whatever the reading does.
Status ReadThroughTemporaryFile(const ImageLibrary& library, const std::uint8_t* bytes,
                                std::size_t size, std::uint64_t maxPixels,
                                const Background& background, IconPixels* icon) {
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
  const auto failed = [&](const std::string& why) {
    return Status::IOError("cannot write a temporary file in '" + Quoted(folder) +
                           "' to decode from: " + why);
  };
  std::string path = folder + "/vexlor-decoding.XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return failed(std::strerror(errno));
  struct Removed {
    const std::string& path;
    ~Removed() { ::unlink(path.c_str()); }
  } removed{path};
  Status written = WriteAll(fd, bytes, size);
  if (::close(fd) != 0 && written.ok()) written = Status::IOError(std::strerror(errno));
  if (!written.ok()) return failed(written.message());
  return library.read(path, maxPixels, background, icon);
}

std::string ExtensionOf(const char* path) {
  const char* slash = std::strrchr(path, '/');
  const char* dot = std::strrchr(slash != nullptr ? slash : path, '.');
  return dot != nullptr ? dot : "";
}

}  // namespace

Status LoadIconPixels(const std::string& path, IconPixels* icon, const LoadSettings& settings) {
  const Background& background = settings.background;
  const std::string why = WhyNoIconFile(path);
  if (!why.empty()) {
    icon->Clear();
    return Status::BadIcon("cannot load '" + Quoted(path) + "': " + why);
  }
  std::vector<std::uint8_t> whole;  // the file, when it was read whole and is not ours
  return Decoding(
      "'" + Quoted(path) + "'",
      [&](std::uint64_t maxPixels) {
        return DecodeOwnFormatFile(path, maxPixels, icon, background, &whole);
      },
      [&](const ImageLibrary& library, std::uint64_t maxPixels) {
        return library.read(path, maxPixels, background, icon);
      },
      [&] { return whole.empty() ? InspectFile(path) : InspectWhole(std::move(whole)); },
      path, settings, icon);
}

Status DecodeIconPixels(const std::uint8_t* bytes, std::size_t size, IconPixels* icon,
                        const LoadSettings& settings) {
  const Background& background = settings.background;
  return Decoding(
      "an image in memory",
      [&](std::uint64_t maxPixels) {
        return DecodeOwnFormatBytes(bytes, size, maxPixels, icon, background);
      },
      [&](const ImageLibrary& library, std::uint64_t maxPixels) {
        if (ReadOnlyFromFiles(bytes, size))
          return ReadThroughTemporaryFile(library, bytes, size, maxPixels, background, icon);
        return library.decode(bytes, size, maxPixels, background, icon);
      },
      [&] { return InspectBytes(bytes, size); },
      "", settings, icon);
}

Status SaveIconPixels(const std::string& path, const BgrImageView& icon) {
  // Encoded in memory and written here: the library's file writers do not
  // all notice a failed write, and leave a cut file behind as if saved.
  std::vector<std::uint8_t> bytes;
  Status saved;
  try {
    const ImageLibrary* library = nullptr;
    saved = GetImageLibrary(&library);
    if (saved.ok()) saved = library->encode(ExtensionOf(path.c_str()), icon, &bytes);
  } catch (const std::bad_alloc&) {
    saved = Status::IOError("out of memory");
  }
  if (saved.ok()) saved = WriteWholeFile(path, bytes.data(), bytes.size());
  if (saved.ok()) return {};
  return Status::IOError("cannot save the icon as '" + path + "': " + saved.message());
}

void DistortIcon(IconPixels& icon, const Distortion& distortion) {
  CheckBlurSize(distortion.blur);
  if (LeavesIconAsItIs(distortion)) return;
  if (distortion.blur <= kMaxTabulatedBlur) {
    DistortPixels({icon.data(), icon.rows(), icon.cols(), static_cast<std::size_t>(icon.cols()) * 3},
                  distortion);
    return;
  }
  const ImageLibrary* library = nullptr;
  if (Status loaded = GetImageLibrary(&library); !loaded.ok())
    throw Error(Status::MeasureFailed("cannot distort the icon: " + loaded.message()));
  library->distort(icon, distortion);
}

}  // namespace vexlor
