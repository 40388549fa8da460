#include "descriptors/measure.h"

#include <new>

#include "decode/icon_loading.h"
#include "support/quoted.h"

namespace vexlor {

Status StatusOf(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return error->status();
  if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
    return Status::MeasureFailed("out of memory");
  return Status::MeasureFailed(e.what());
}

Descriptors MeasureDistorted(const BgrImageView& icon, NormalisedIcon* seen) {
  if (seen == nullptr) return Descriptors(icon);
  NormaliseSize(icon, seen);
  return Descriptors(seen->view());
}

namespace {

// Decoding storage a thread keeps from one icon to the next: allocating and
// returning a 512 px icon's megabyte each time costs the system its pages
// again for every icon (page faults, several times the decoding). Larger
// icons' storage goes back at once.
constexpr std::size_t kKeptDecodingBytes = std::size_t{4} << 20;

// After an icon: its storage kept for the next one, unless it is large.
void Forget(IconPixels& icon) {
  if (icon.capacity() > kKeptDecodingBytes)
    icon.Release();
  else
    icon.Clear();
}

// One for each thread, whatever the icon is loaded for.
IconPixels& DecodingStorage() {
  thread_local IconPixels icon;
  return icon;
}

// Loads and distorts `path` on this thread's decoding storage and hands the
// icon to `use`; the one loading path of MeasureIconFile and
// NormaliseIconFile.
template <typename Use>
Status WithDistortedIcon(const std::string& path, const LoadSettings& load,
                         const Distortion& distortion, Use use) {
  IconPixels& icon = DecodingStorage();
  Status status;
  try {
    status = LoadIconPixels(path, &icon, load);
    if (status.ok()) {
      DistortIcon(icon, distortion);
      use(icon.view());
    }
    Forget(icon);
    return status;
  } catch (const std::exception& e) {
    Forget(icon);
    status = StatusOf(e);
  }
  return Status::MeasureFailed("cannot measure '" + Quoted(path) + "': " + status.message());
}

}  // namespace

Status MeasureIconFile(const std::string& path, const LoadSettings& load,
                       const Distortion& distortion, std::optional<Descriptors>* out,
                       NormalisedIcon* seen) {
  out->reset();
  return WithDistortedIcon(path, load, distortion,
                           [&](const BgrImageView& icon) { out->emplace(MeasureDistorted(icon, seen)); });
}

Status NormaliseIconFile(const std::string& path, const LoadSettings& load,
                         const Distortion& distortion, NormalisedIcon* seen, int* width, int* height) {
  return WithDistortedIcon(path, load, distortion, [&](const BgrImageView& icon) {
    NormaliseSize(icon, seen);
    if (width != nullptr) *width = icon.cols;
    if (height != nullptr) *height = icon.rows;
  });
}

}  // namespace vexlor
