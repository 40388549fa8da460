#include "descriptors/measure.h"

#include <new>

#include "icon/icon_loading.h"
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

Status MeasureIconFile(const std::string& path, const Distortion& distortion,
                       std::optional<Descriptors>* out, NormalisedIcon* seen) {
  out->reset();
  Status status;
  try {
    IconPixels icon;
    status = LoadIconPixels(path, &icon, distortion);
    if (!status.ok()) return status;
    DistortIcon(icon, distortion);
    out->emplace(MeasureDistorted(icon.view(), seen));
    return {};
  } catch (const std::exception& e) {
    status = StatusOf(e);
  }
  return Status::MeasureFailed("cannot measure '" + Quoted(path) + "': " + status.message());
}

}  // namespace vexlor
