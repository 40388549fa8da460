#include "batch/icon_record.h"

#include "descriptors/descriptors.h"
#include "icon/icon_file.h"
#include "icon/icon_process.h"
#include "report/record_format.h"
#include "report/results_file.h"

std::string IconRecordLine(const std::string& path, const RecordSettings& settings) {
  cv::Mat icon = LoadIcon(path.c_str());
  if (icon.empty()) return std::string(kBadIcon) + '\n';
  IconProcess(icon, settings.blur_size, settings.c);
  std::string line = FormatRecord(Descriptors(icon), settings.tiny_int);
  line.push_back('\n');
  return line;
}
