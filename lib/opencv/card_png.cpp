#include <string>

#include "opencv/matrices.h"
#include "report/png_encoder.h"
#include "support/whole_file.h"
#include "vexlor/card.h"

namespace vexlor {

Status WriteCardPng(const cv::Mat& card, const std::string& path) {
  if (card.type() != CV_8UC3 || card.empty())
    return Status::InvalidArgument("a card is an 8-bit BGR image");
  std::string bytes;
  if (!EncodePng(ViewOf(card), &bytes))
    return Status::IOError("cannot encode the card '" + path + "' as PNG");
  if (const Status written = ReplaceWholeFile(path, bytes.data(), bytes.size()); !written.ok())
    return Status::IOError("cannot write the card '" + path + "': " + written.message());
  return {};
}

}  // namespace vexlor
