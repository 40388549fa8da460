#include "nearest/nearest_run.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string_view>

#include "process/exit_codes.h"
#include "process/standard_streams.h"
#include "decode/image_signatures.h"
#include "descriptors/measure.h"
#include "nearest/answer_page.h"
#include "nearest/index_choice.h"
#include "nearest/name_text.h"
#include "nearest/names.h"
#include "record/data_set.h"
#include "support/parallel_for.h"
#include "support/whole_file.h"
#include "vexlor/results_file.h"

namespace vexlor {

namespace {

// Takes NAMES and the icons from the operands, and for a data set its names
// and settings: kInvalidArgument for an option that contradicts them.
Status ResolveOperands(NearestOptions* o) {
  std::optional<DataSetManifest> manifest;
  if (Status read = ReadManifest(o->data, &manifest); !read.ok())
    return Status::IOError(read.message());  // a file that does not fit, not a bad option
  std::vector<std::string> operands = o->operands;
  if (!manifest) {
    if (operands.empty())
      return Status::InvalidArgument("NAMES is required: '" + o->data +
                                     "' is a results file without a manifest");
    o->names = operands.front();
    o->icons.assign(operands.begin() + 1, operands.end());
  } else {
    // NAMES given as for a plain file (a file that is no image, before the
    // icons or with --records) name the lines instead of the data set's own.
    if (!operands.empty() && (operands.size() > 1 || !o->records.empty()) &&
        !FileLooksLikeImage(operands.front())) {
      o->names = operands.front();
      operands.erase(operands.begin());
    } else {
      o->names = NamesPathOf(o->data);
      o->null_separated = manifest->nul_names;
    }
    o->icons = operands;
    DataSetManifest asked = *manifest;
    if (o->load.background.set) asked.load.background = o->load.background;
    if (o->load.svg_size != 0) asked.load.svg_size = o->load.svg_size;
    if (const auto differs = SettingsDifference(asked, *manifest))
      return Status::InvalidArgument(differs->first + " contradicts the data set '" + o->data +
                                     "', made with " + differs->second + " (" +
                                     ManifestPathOf(o->data) + ")");
    o->load = manifest->load;
    o->distortion = manifest->distortion;
  }
  if (o->icons.empty() && o->records.empty())
    return Status::InvalidArgument("ICON or --records is required");
  if (!o->icons.empty() && !o->records.empty())
    return Status::InvalidArgument("ICON excludes --records");
  return {};
}

// The names of the --records queries, when they come from a data set.
Status RecordNames(const NearestOptions& o, std::optional<Names>* names) {
  std::optional<DataSetManifest> manifest;
  if (Status read = ReadManifest(o.records, &manifest); !read.ok() || !manifest) return read;
  names->emplace();
  return (*names)->Read(NamesPathOf(o.records), manifest->nul_names);
}

Status CheckNames(const NearestOptions& o, const Names& names, std::size_t records) {
  if (names.size() > records)
    return Status::InvalidArgument(o.names + ":" + std::to_string(records + 1) +
                                   ": a name without a line in '" + o.data + "' (" +
                                   std::to_string(records) + " lines)");
  if (names.size() < records)
    return Status::InvalidArgument(o.names + ": " + std::to_string(names.size()) +
                                   " names for the " + std::to_string(records) +
                                   " lines of '" + o.data + "': line " +
                                   std::to_string(names.size() + 1) + " has no name");
  return {};
}

// Measures the query icons in the data's form; an icon that gives no record
// is a bad row, with its message in `failures`. With `pictures`, also each
// icon as it was measured, for the page ("" for a bad row).
DescriptorTable MeasureIcons(const NearestOptions& o, RecordForm form,
                             std::vector<std::string>* failures,
                             std::vector<std::string>* pictures) {
  const std::size_t n = o.icons.size();
  std::vector<std::optional<std::vector<double>>> values(n);
  failures->assign(n, "");
  if (pictures != nullptr) pictures->assign(n, "");
  ParallelFor(n, o.jobs, [&](std::size_t i) {
    std::optional<Descriptors> described;
    NormalisedIcon seen;
    const Status status =
        MeasureIconFile(o.icons[i], o.load, o.distortion, &described,
                        pictures != nullptr ? &seen : nullptr);
    if (!status.ok()) {
      (*failures)[i] = status.message();
      return;
    }
    values[i] = RecordValues(*described, form);
    if (pictures != nullptr) (*pictures)[i] = PictureOf(seen);
  });
  DescriptorTable queries(form);
  for (const auto& v : values) {
    if (v)
      queries.Add(v->data());  // a record of `form` by construction
    else
      queries.AddBad();
  }
  return queries;
}

void AppendDistance(std::string* out, double distance) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, distance);
  out->append(text, result.ptr);
}

// The page of the answers, written whole to o.html. `queryPictures`: the
// query icons as measured (none for --records queries).
Status WritePage(const NearestOptions& o, const Names& names, const std::optional<Names>& queryNames,
                 const std::vector<std::vector<Neighbour>>& found,
                 const std::vector<std::string>& failures,
                 const std::vector<std::string>& queryPictures) {
  // Each data record's picture once, however often it is an answer, and
  // only for the answers the page shows.
  std::vector<std::size_t> counts;
  for (const auto& answers : found) counts.push_back(answers.size());
  const PageExtent extent = PageExtentOf(counts);
  std::vector<std::size_t> rows;
  for (std::size_t q = 0; q < extent.shown.size(); ++q)
    for (std::size_t rank = 0; rank < extent.shown[q]; ++rank) rows.push_back(found[q][rank].row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<std::string> pictures(rows.size());
  ParallelFor(rows.size(), o.jobs,
              [&](std::size_t i) {
                pictures[i] = MeasuredPicture(std::string(names[rows[i]]), o.load);
              });
  std::vector<PageQuery> queries(found.size());
  ParallelFor(found.size(), o.jobs, [&](std::size_t q) {
    PageQuery& query = queries[q];
    if (o.records.empty()) {
      query.name = o.icons[q];
      query.picture = queryPictures[q];
    } else if (queryNames) {
      query.name = std::string((*queryNames)[q]);
      query.picture = MeasuredPicture(query.name, o.load);
    } else {
      query.name = "line " + std::to_string(q + 1) + " of " + o.records;
    }
    query.failure = failures[q];
    for (std::size_t rank = 0; rank < found[q].size(); ++rank) {
      const Neighbour& n = found[q][rank];
      // Six significant digits are plenty for a person; the answer lines
      // keep every digit.
      char distance[32];
      std::snprintf(distance, sizeof distance, "%.6g", n.distance);
      PageAnswer answer{rank + 1, distance, std::string(names[n.row]), ""};
      if (q < extent.shown.size() && rank < extent.shown[q])
        answer.picture = pictures[static_cast<std::size_t>(
            std::lower_bound(rows.begin(), rows.end(), n.row) - rows.begin())];
      query.answers.push_back(std::move(answer));
    }
  });
  const std::string page = AnswerPage({o.data, MetricName(o.metric), o.k}, queries);
  if (const Status written = ReplaceWholeFile(o.html, page.data(), page.size()); !written.ok())
    return Status::IOError("cannot write the page '" + o.html + "': " + written.message());
  return {};
}

}  // namespace

int RunNearest(const NearestOptions& given, std::FILE* messages) {
  auto fail = [messages](const Status& status) {
    std::fprintf(messages, "vexlor-nearest: %s\n", status.message().c_str());
    return kExitFailed;
  };
  NearestOptions o = given;
  if (Status s = ResolveOperands(&o); !s.ok()) {
    std::fprintf(messages, "vexlor-nearest: %s\n", s.message().c_str());
    return s.code() == Status::Code::kInvalidArgument ? kExitBadArguments : kExitFailed;
  }
  DescriptorTable data;
  const DataState dataState = DataStateOf(o.data);  // what an index must match
  if (Status s = ReadDescriptorTable(o.data, &data); !s.ok()) return fail(s);
  Names names;
  if (Status s = names.Read(o.names, o.null_separated); !s.ok()) return fail(s);
  if (Status s = CheckNames(o, names, data.size()); !s.ok()) return fail(s);
  if (data.usable() == 0)
    return fail(Status::InvalidArgument(
        "'" + o.data + "' holds no record to search (" + std::to_string(data.size()) +
        (data.size() == 1 ? " line" : " lines") + (data.size() > 0 ? ", all \"Bad Icon\")" : ")")));

  const RecordForm form = data.form().value_or(RecordForm::kTinyInt);
  std::vector<std::string> failures, queryPictures;
  std::optional<Names> queryNames;
  DescriptorTable queries = data.form() ? DescriptorTable(form) : DescriptorTable();
  if (o.records.empty()) {
    queries = MeasureIcons(o, form, &failures, o.html.empty() ? nullptr : &queryPictures);
  } else {
    if (Status s = ReadDescriptorTable(o.records, &queries); !s.ok()) return fail(s);
    if (Status s = RecordNames(o, &queryNames); !s.ok()) return fail(s);
    if (queryNames && queryNames->size() != queries.size())
      return fail(Status::InvalidArgument(NamesPathOf(o.records) + ": " +
                                          std::to_string(queryNames->size()) + " names for the " +
                                          std::to_string(queries.size()) + " lines of '" +
                                          o.records + "'"));
    failures.assign(queries.size(), "");
    for (std::size_t q = 0; q < queries.size(); ++q)
      if (queries.bad(q))
        failures[q] = o.records + ":" + std::to_string(q + 1) + ": \"Bad Icon\", nothing to search for";
  }

  data.PrepareFor(o.metric);
  queries.PrepareFor(o.metric);
  std::unique_ptr<RecordIndex> index;
  if (Status s = IndexToUse(o.index, o.data, dataState, data, o.metric, queries.usable(), o.jobs,
                            "vexlor-nearest", messages, &index);
      !s.ok()) {
    std::fprintf(messages, "vexlor-nearest: %s\n", s.message().c_str());
    return s.code() == Status::Code::kInvalidArgument ? kExitBadArguments : kExitFailed;
  }
  std::vector<std::vector<Neighbour>> found(queries.size());
  ParallelFor(queries.size(), o.jobs, [&](std::size_t q) {
    if (queries.bad(q)) return;
    found[q] = index ? index->Nearest(queries, q, o.k) : Nearest(data, queries, q, o.k, o.metric);
  });

  int exit_code = kExitSuccess;
  std::string out;
  bool printed = false;
  for (std::size_t q = 0; q < queries.size(); ++q) {
    if (!failures[q].empty()) {
      std::fprintf(messages, "vexlor-nearest: %s\n", failures[q].c_str());
      exit_code = kExitFailed;
    }
    const std::string query = !o.records.empty() ? (queryNames ? std::string((*queryNames)[q])
                                                                : std::to_string(q + 1))
                                                 : o.icons[q];
    for (std::size_t rank = 0; rank < found[q].size(); ++rank) {
      AppendName(&out, query);
      out += '\t';
      out += std::to_string(rank + 1);
      out += '\t';
      AppendDistance(&out, found[q][rank].distance);
      out += '\t';
      AppendName(&out, names[found[q][rank].row]);
      out += '\n';
    }
    if (out.size() >= (1 << 16) || q + 1 == queries.size()) {
      printed = printed || !out.empty();
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  if (Status s = CheckStandardOutput(printed); !s.ok()) return fail(s);
  if (!o.html.empty())
    if (Status s = WritePage(o, names, queryNames, found, failures, queryPictures); !s.ok()) return fail(s);
  return exit_code;
}

}  // namespace vexlor
