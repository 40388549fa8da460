#include "record/data_set.h"

#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/whole_file.h"

namespace vexlor {

namespace {

// A factor as text that reads back to the same double.
std::string FactorText(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

bool ParseFactor(const std::string& text, double* value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, *value);
  return result.ec == std::errc() && result.ptr == end;
}

bool ParseCount(const std::string& text, long long* value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, *value);
  return result.ec == std::errc() && result.ptr == end && *value >= 0;
}

std::string BackgroundSetting(const Background& background) {
  return background.set ? BackgroundText(background) : "none";
}

// The settings that make records, each as "--option value".
std::vector<std::string> Settings(const DataSetManifest& m) {
  return {m.form == RecordForm::kDouble ? "--double" : "TinyInt (no --double)",
          "--background " + BackgroundSetting(m.load.background),
          "--svg-size " + std::to_string(m.load.svg_size),
          "--blur " + std::to_string(m.distortion.blur),
          "--red " + FactorText(m.distortion.red),
          "--green " + FactorText(m.distortion.green),
          "--blue " + FactorText(m.distortion.blue)};
}

}  // namespace

std::string ManifestPathOf(const std::string& data) { return data + ".manifest"; }
std::string NamesPathOf(const std::string& data) { return data + ".names"; }

std::string ManifestText(const DataSetManifest& m) {
  return "# vexlor data set: its records, their names in the .names file beside it\n"
         "form: " + std::string(m.form == RecordForm::kDouble ? "double" : "tinyint") + "\n" +
         "background: " + BackgroundSetting(m.load.background) + "\n" +
         "blur: " + std::to_string(m.distortion.blur) + "\n" +
         "red: " + FactorText(m.distortion.red) + "\n" +
         "green: " + FactorText(m.distortion.green) + "\n" +
         "blue: " + FactorText(m.distortion.blue) + "\n" +
         "svg-size: " + std::to_string(m.load.svg_size) + "\n" +
         "names: " + (m.nul_names ? "nul" : "lines") + "\n" +
         "version: " + m.version + "\n" +
         "lines: " + std::to_string(m.lines) + "\n";
}

Status ReadManifest(const std::string& data, std::optional<DataSetManifest>* manifest) {
  manifest->reset();
  const std::string path = ManifestPathOf(data);
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return Status::IOError("cannot read the manifest '" + path + "': " + std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode))
    return Status::IOError("cannot read the manifest '" + path + "': not a regular file");
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return Status::IOError("cannot read the manifest '" + path + "': " + std::strerror(errno));
  DataSetManifest m;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    const std::size_t colon = line.find(": ");
    const std::string key = line.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : line.substr(colon + 2);
    bool ok = colon != std::string::npos;
    long long count = 0;
    if (!ok) {
    } else if (key == "form") {
      ok = value == "tinyint" || value == "double";
      m.form = value == "double" ? RecordForm::kDouble : RecordForm::kTinyInt;
    } else if (key == "background") {
      ok = value == "none" || ParseBackground(value, &m.load.background);
    } else if (key == "blur") {
      ok = ParseCount(value, &count) && count <= kMaxBlurSize;
      m.distortion.blur = static_cast<int>(count);
    } else if (key == "red" || key == "green" || key == "blue") {
      ok = ParseFactor(value, key == "red"     ? &m.distortion.red
                              : key == "green" ? &m.distortion.green
                                               : &m.distortion.blue);
    } else if (key == "svg-size") {
      ok = ParseCount(value, &count) && count <= kMaxSvgSize;
      m.load.svg_size = static_cast<int>(count);
    } else if (key == "names") {
      ok = value == "lines" || value == "nul";
      m.nul_names = value == "nul";
    } else if (key == "version") {
      m.version = value;
    } else if (key == "lines") {
      ok = ParseCount(value, &m.lines);
    }  // other keys: from a later version, not needed here
    if (!ok)
      return Status::InvalidArgument(path + ":" + std::to_string(number) +
                                     ": no setting of a data set: '" + line.substr(0, 80) + "'");
  }
  if (in.bad())
    return Status::IOError("cannot read the manifest '" + path + "': " + std::strerror(errno));
  *manifest = m;
  return {};
}

Status WriteManifest(const std::string& data, const DataSetManifest& manifest) {
  const std::string text = ManifestText(manifest);
  const std::string path = ManifestPathOf(data);
  if (Status written = ReplaceWholeFile(path, text.data(), text.size()); !written.ok())
    return Status::IOError("cannot write the manifest '" + path + "': " + written.message());
  return {};
}

std::optional<std::pair<std::string, std::string>> SettingsDifference(const DataSetManifest& a,
                                                                      const DataSetManifest& b) {
  const std::vector<std::string> mine = Settings(a), theirs = Settings(b);
  for (std::size_t i = 0; i < mine.size(); ++i)
    if (mine[i] != theirs[i]) return std::make_pair(mine[i], theirs[i]);
  return std::nullopt;
}

}  // namespace vexlor
