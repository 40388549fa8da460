#include "decode/decoding_failures.h"

namespace vexlor {

Status WithContext(const std::string& context, const Status& reason) {
  std::string message = context + ": " + reason.message();
  switch (reason.code()) {
    case Status::Code::kOk: return {};
    case Status::Code::kBadIcon: return Status::BadIcon(std::move(message));
    case Status::Code::kIconRefused: return Status::IconRefused(std::move(message));
    case Status::Code::kInvalidArgument: return Status::InvalidArgument(std::move(message));
    case Status::Code::kIOError: return Status::IOError(std::move(message));
    case Status::Code::kMeasureFailed: return Status::MeasureFailed(std::move(message));
  }
  return Status::MeasureFailed(std::move(message));
}

}  // namespace vexlor
