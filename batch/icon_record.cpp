#include "batch/icon_record.h"

#include <new>

#include "descriptors/descriptors.h"
#include "icon/icon_file.h"
#include "icon/icon_process.h"
#include "report/record_format.h"
#include "report/results_file.h"

namespace {

IconLine BadIcon(std::string error) {
  return {std::string(kBadIcon) + '\n', std::move(error)};
}

}  // namespace

IconLine IconRecordLine(const std::string& path, const RecordSettings& settings) {
  try {
    cv::Mat icon = LoadIcon(path);
    if (icon.empty()) return BadIcon("");
    IconProcess(icon, settings.blur_size, settings.c);
    IconLine result{FormatRecord(Descriptors(icon), settings.tiny_int), ""};
    result.line.push_back('\n');
    return result;
  } catch (const cv::Exception& e) {
    return BadIcon("image library error: " + e.err);
  } catch (const std::bad_alloc&) {
    return BadIcon("out of memory");
  } catch (const std::exception& e) {
    return BadIcon(e.what());
  }
}
