// The Python module's native part, vexlor._vexlor. python/vexlor/__init__.py
// is the interface users see; everything here computes through the same core
// functions as the command-line tools.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cerrno>
#include <type_traits>
#include <memory>
#include <cstring>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "opencv/interleaved_icon.h"
#include "record/form_constants.h"
#include "search/data_set_groups.h"
#include "search/record_index.h"
#include "search/table_file.h"
#include "support/line_count.h"
#include "support/parallel_for.h"
#include "support/quoted.h"
#include "vexlor/card.h"
#include "vexlor/nearest.h"
#include "vexlor/vexlor.h"

namespace py = pybind11;

namespace vexlor {
namespace {

// Raised for icons that cannot be loaded; defined in Python.
PyObject* bad_icon_error = nullptr;

// A message as Python shows it: always UTF-8 (a path or token that is none
// is escaped), and a few hundred characters at most.
std::string Shown(const std::string& message) { return Quoted(message, 400); }

[[noreturn]] void Raise(const Status& status) {
  if (status.bad_icon())
    throw py::error_already_set([&] {
      PyErr_SetString(bad_icon_error, Shown(status.message()).c_str());
      return py::error_already_set();
    }());
  if (status.code() == Status::Code::kInvalidArgument) throw py::value_error(Shown(status.message()));
  throw std::runtime_error(Shown(status.message()));
}

// How each icon is loaded and distorted. The options arrive checked by the
// Python layer (vexlor/__init__.py), as vexlor-batch and vexlor-card check
// theirs.
struct Settings {
  LoadSettings load;
  Distortion distortion;
};

Settings MakeSettings(int blur, double red, double green, double blue,
                      const std::string& background, int svg_size) {
  Settings settings{.load = {.svg_size = svg_size},
                    .distortion = {.blur = blur, .red = red, .green = green, .blue = blue}};
  if (!background.empty() && !ParseBackground(background, &settings.load.background))
    throw py::value_error("background '" + Shown(Quoted(background, 40)) +
                          "' is no colour (\"white\", \"black\", \"#rrggbb\" or \"#rgb\")");
  return settings;
}

// An icon from a numpy array: H x W x 3 in `order`, H x W x 4 (alpha
// dropped, or composited over a set `background`) or H x W grey, 8-bit. The
// result owns a BGR copy.
cv::Mat IconFromArray(const py::array& array, const std::string& order,
                      const Background& background) {
  if (order != "bgr" && order != "rgb")
    throw py::value_error("order must be \"bgr\" or \"rgb\", not \"" + order + "\"");
  if (array.dtype().kind() != 'u' || array.itemsize() != 1)
    throw py::type_error("an icon array must be of dtype uint8, not " +
                         std::string(py::str(array.dtype())));
  const auto contiguous =
      py::array_t<std::uint8_t, py::array::c_style>::ensure(array);
  if (!contiguous) throw py::type_error("an icon array must be of dtype uint8");
  const py::buffer_info info = contiguous.request();
  const bool grey = info.ndim == 2;
  const int channels = grey ? 1 : info.ndim == 3 ? static_cast<int>(info.shape[2]) : 0;
  if (channels != 1 && channels != 3 && channels != 4)
    throw py::value_error("an icon array must be H x W, H x W x 3 or H x W x 4");
  if (info.shape[0] == 0 || info.shape[1] == 0) throw py::value_error("the icon array is empty");
  if (info.shape[0] > INT32_MAX || info.shape[1] > INT32_MAX)
    throw py::value_error("the icon array is too large");
  return IconFromInterleaved(static_cast<const std::uint8_t*>(info.ptr),
                             static_cast<int>(info.shape[0]), static_cast<int>(info.shape[1]),
                             channels, order == "rgb", background);
}

template <typename T>
py::array_t<T> ArrayOf(const std::vector<T>& values, std::vector<py::ssize_t> shape) {
  py::array_t<T> array(shape);
  std::copy(values.begin(), values.end(), array.mutable_data());
  return array;
}

// The record's 416 numbers of one form, in results-file order, every digit.
std::vector<double> Values(const Descriptors& d) {
  std::vector<double> values;
  values.reserve(record_token_count);
  for (const auto* v : {&d.recDesc(), &d.groupDesc(), &d.recWeights(), &d.groupRanges()})
    values.insert(values.end(), v->begin(), v->end());
  return values;
}

std::vector<std::uint8_t> Tiny(const Descriptors& d) {
  std::vector<std::uint8_t> values;
  values.reserve(record_token_count);
  for (const auto* v : {&d.recDescInt(), &d.groupDescInt(), &d.recWeightsInt(), &d.groupRangesInt()})
    for (std::uint32_t x : *v) values.push_back(static_cast<std::uint8_t>(x));
  return values;
}

// A record with the 62 x 62 icon it was measured on, for its card.
struct Described {
  Descriptors descriptors;
  cv::Mat seen;
};

Described DescribePath(const std::string& path, const Settings& settings) {
  std::optional<Descriptors> described;
  cv::Mat seen;
  Status status;
  {
    py::gil_scoped_release unlocked;
    status = DescribeFile(path, settings.load, settings.distortion, &described, &seen);
  }
  if (!status.ok()) Raise(status);
  return {std::move(*described), seen};
}

Described DescribeArray(const py::array& array, const std::string& order,
                        const Settings& settings) {
  const cv::Mat icon = IconFromArray(array, order, settings.load.background);
  py::gil_scoped_release unlocked;
  try {
    cv::Mat seen;
    Descriptors d = Describe(icon, settings.distortion, &seen);
    return {std::move(d), seen};
  } catch (const Error& e) {
    py::gil_scoped_acquire locked;
    Raise(e.status());
  }
}

py::array_t<std::uint8_t> CardOf(const Described& d) {
  cv::Mat card;
  {
    py::gil_scoped_release unlocked;
    card = DrawCard(d.descriptors, d.seen);
  }
  py::array_t<std::uint8_t> array({card.rows, card.cols, 3});
  for (int y = 0; y < card.rows; ++y)
    std::copy(card.ptr(y), card.ptr(y) + card.cols * 3, array.mutable_data(y, 0, 0));
  return array;
}

// Rows of (N, 416) float64 numbers into a table; rows holding NaN are
// "Bad Icon" rows. ValueError naming the row for a row of neither form or
// of another form than `table`'s.
void FillTable(const py::array_t<double, py::array::c_style | py::array::forcecast>& rows,
               const char* what, DescriptorTable* table) {
  if (rows.ndim() != 2 || rows.shape(1) != static_cast<py::ssize_t>(record_token_count))
    throw py::value_error(std::string(what) + " must be an (N, " +
                          std::to_string(record_token_count) + ") array");
  for (py::ssize_t i = 0; i < rows.shape(0); ++i) {
    const double* row = rows.data(i, 0);
    if (std::any_of(row, row + record_token_count, [](double v) { return std::isnan(v); })) {
      table->AddBad();
      continue;
    }
    const Status status = table->Add(row);
    if (!status.ok())
      throw py::value_error(std::string(what) + " row " + std::to_string(i) + ": " + Shown(
                            status.message()));
  }
}

// The (M, kept) row numbers and distances of every query of `asked`, found
// by `find(q, kept)` on `jobs` threads, the GIL released; -1 and NaN where a
// query is "Bad Icon" or has fewer answers.
template <typename Find>
py::tuple AnswerArrays(const DescriptorTable& asked, std::size_t kept, int jobs, Find find) {
  const std::size_t m = asked.size();
  py::array_t<std::int64_t> indices({static_cast<py::ssize_t>(m), static_cast<py::ssize_t>(kept)});
  py::array_t<double> distances({static_cast<py::ssize_t>(m), static_cast<py::ssize_t>(kept)});
  std::int64_t* index = indices.mutable_data();
  double* distance = distances.mutable_data();
  {
    py::gil_scoped_release unlocked;
    ParallelFor(m, static_cast<unsigned>(std::max(jobs, 0)), [&](std::size_t q) {
      std::fill(index + q * kept, index + (q + 1) * kept, -1);
      std::fill(distance + q * kept, distance + (q + 1) * kept, std::nan(""));
      if (asked.bad(q)) return;
      const std::vector<Neighbour> found = find(q, kept);
      for (std::size_t r = 0; r < found.size(); ++r) {
        index[q * kept + r] = static_cast<std::int64_t>(found[r].row);
        distance[q * kept + r] = found[r].distance;
      }
    });
  }
  return py::make_tuple(indices, distances);
}

py::tuple NearestArrays(const py::array_t<double, py::array::c_style | py::array::forcecast>& data,
                        const py::array_t<double, py::array::c_style | py::array::forcecast>& queries,
                        std::size_t k, const std::string& metricName, int jobs) {
  const std::optional<Metric> metric = MetricNamed(metricName);
  if (!metric)
    throw py::value_error("metric must be \"l1\", \"l2\", \"weighted\" or \"root\", not \"" +
                          metricName + "\"");
  DescriptorTable table;
  FillTable(data, "data", &table);
  DescriptorTable asked = table.form() ? DescriptorTable(*table.form()) : DescriptorTable();
  FillTable(queries, "queries", &asked);
  table.PrepareFor(*metric);
  asked.PrepareFor(*metric);
  return AnswerArrays(asked, std::min(k, table.usable()), jobs, [&](std::size_t q, std::size_t kept) {
    return Nearest(table, asked, q, kept, *metric);
  });
}

// An index of (N, 416) TinyInt records for the root metric
// (search/record_index.h), held in memory.
class ArrayIndex {
 public:
  ArrayIndex(const py::array_t<double, py::array::c_style | py::array::forcecast>& data, int jobs) {
    DescriptorTable table;
    FillTable(data, "data", &table);
    if (table.form() != RecordForm::kTinyInt)
      throw py::value_error(table.form() ? "an index is of TinyInt records: data holds records of the double form"
                                         : "an index is of TinyInt records: data holds none");
    table.PrepareFor(Metric::kRoot);
    rows_ = table.size();
    py::gil_scoped_release unlocked;
    if (Status built = RecordIndex::Build(table, static_cast<unsigned>(std::max(jobs, 0)), &index_);
        !built.ok())
      throw std::runtime_error(built.message());
  }

  py::tuple Nearest(const py::array_t<double, py::array::c_style | py::array::forcecast>& queries,
                    std::size_t k, int jobs) const {
    DescriptorTable asked(RecordForm::kTinyInt);
    FillTable(queries, "queries", &asked);
    asked.PrepareFor(Metric::kRoot);
    return AnswerArrays(asked, std::min(k, index_->size()), jobs, [&](std::size_t q, std::size_t kept) {
      return index_->Nearest(asked, q, kept);
    });
  }

  std::size_t rows() const { return rows_; }
  std::size_t records() const { return index_->size(); }

 private:
  std::unique_ptr<RecordIndex> index_;
  std::size_t rows_ = 0;
};

// Reasons as the module shows them, "" kept for the rows without one.
std::vector<std::string> ShownReasons(const std::vector<std::string>& reasons) {
  std::vector<std::string> shown;
  shown.reserve(reasons.size());
  for (const std::string& why : reasons) shown.push_back(why.empty() ? why : Shown(why));
  return shown;
}

GroupingRule RuleNamed(const std::string& rule) {
  return rule == "strict" ? kStrictGroups : rule == "loose" ? kLooseGroups : kDefaultGroups;
}

// The looks of the icons `names` (search/data_set_groups.h), loaded with
// `settings`, but of the rows `bad` marks: (N,) uint64 signatures and their
// steady bits, (N, 64) uint8 grey maps, (N, 32) int16 colour maps, the (N,)
// mask of the rows that have them, and each row's reason its icon could not
// be loaded ("" for the others).
py::tuple LookArrays(const std::vector<std::string>& names,
                     const py::array_t<bool, py::array::c_style | py::array::forcecast>& bad,
                     const Settings& settings, int jobs) {
  if (bad.ndim() != 1 || static_cast<std::size_t>(bad.shape(0)) != names.size())
    throw py::value_error("bad must be an (N,) mask of the N names");
  const bool* isBad = bad.data();
  IconLooks seen;
  {
    py::gil_scoped_release unlocked;
    seen = LooksOfIcons(
        names.size(), [&](std::size_t row) { return isBad[row]; },
        [&](std::size_t row) { return names[row]; }, settings.load, settings.distortion,
        static_cast<unsigned>(std::max(jobs, 0)));
  }
  const auto n = static_cast<py::ssize_t>(names.size());
  const auto cells = static_cast<py::ssize_t>(GreyMap().size());
  const auto detailCells = static_cast<py::ssize_t>(DetailMap().size());
  const auto colourValues = static_cast<py::ssize_t>(ColourMap().size());
  py::array_t<std::uint64_t> signatures(n), steady(n);
  py::array_t<std::uint8_t> greys({n, cells}), details({n, detailCells});
  py::array_t<std::int16_t> colours({n, colourValues});
  py::array_t<std::uint32_t> sizes({n, py::ssize_t{2}});
  py::array_t<bool> has(n);
  for (py::ssize_t row = 0; row < n; ++row) {
    const IconLook look = seen.looks[static_cast<std::size_t>(row)].value_or(IconLook{});
    signatures.mutable_data()[row] = look.signature;
    steady.mutable_data()[row] = look.steady;
    std::copy(look.grey.begin(), look.grey.end(), greys.mutable_data() + row * cells);
    std::copy(look.detail.begin(), look.detail.end(), details.mutable_data() + row * detailCells);
    std::copy(look.colour.begin(), look.colour.end(), colours.mutable_data() + row * colourValues);
    sizes.mutable_data()[2 * row] = look.width;
    sizes.mutable_data()[2 * row + 1] = look.height;
    has.mutable_data()[row] = seen.looks[static_cast<std::size_t>(row)].has_value();
  }
  return py::make_tuple(signatures, steady, greys, details, colours, sizes, has, ShownReasons(seen.failures));
}

// The groups of rows whose nearest were found elsewhere (by shards of the
// data set): `bad` the mask of "Bad Icon" rows, `signatures`, `steady`,
// `greys`, `details`, `colours`, `sizes` and `has` as LookArrays gives them, `rows` and `distances` (N, k) each row's
// nearest, nearest first (-1 where none). Groups as GroupRows numbers them.
py::array_t<std::int64_t> GroupNeighbourArrays(
    const py::array_t<bool, py::array::c_style | py::array::forcecast>& bad,
    const py::array_t<std::uint64_t, py::array::c_style | py::array::forcecast>& signatures,
    const py::array_t<std::uint64_t, py::array::c_style | py::array::forcecast>& steady,
    const py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>& greys,
    const py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>& details,
    const py::array_t<std::int16_t, py::array::c_style | py::array::forcecast>& colours,
    const py::array_t<std::uint32_t, py::array::c_style | py::array::forcecast>& sizes,
    const py::array_t<bool, py::array::c_style | py::array::forcecast>& has,
    const py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>& rows,
    const py::array_t<double, py::array::c_style | py::array::forcecast>& distances,
    const std::string& rule, int jobs) {
  if (bad.ndim() != 1) throw py::value_error("bad must be an (N,) mask of the N rows");
  const py::ssize_t n = bad.shape(0);
  const auto cells = static_cast<py::ssize_t>(GreyMap().size());
  const auto detailCells = static_cast<py::ssize_t>(DetailMap().size());
  const auto colourValues = static_cast<py::ssize_t>(ColourMap().size());
  if (signatures.ndim() != 1 || signatures.shape(0) != n || steady.ndim() != 1 || steady.shape(0) != n ||
      has.ndim() != 1 || has.shape(0) != n || greys.ndim() != 2 || greys.shape(0) != n ||
      greys.shape(1) != cells || details.ndim() != 2 || details.shape(0) != n ||
      details.shape(1) != detailCells || colours.ndim() != 2 || colours.shape(0) != n ||
      colours.shape(1) != colourValues || sizes.ndim() != 2 || sizes.shape(0) != n ||
      sizes.shape(1) != 2)
    throw py::value_error(
        "signatures, steady, greys, details, colours, sizes and has must be (N,), (N,), (N, 64), "
        "(N, 256), (N, 32), (N, 2) and (N,) arrays of the N rows");
  if (rows.ndim() != 2 || rows.shape(0) != n || distances.ndim() != 2 ||
      distances.shape(0) != n || distances.shape(1) != rows.shape(1))
    throw py::value_error("rows and distances must be (N, k) arrays of the N rows");
  const auto k = static_cast<std::size_t>(rows.shape(1));
  std::vector<std::optional<IconLook>> looks(static_cast<std::size_t>(n));
  for (py::ssize_t row = 0; row < n; ++row)
    if (has.data()[row]) {
      IconLook& look = looks[static_cast<std::size_t>(row)].emplace();
      look.signature = signatures.data()[row];
      look.steady = steady.data()[row];
      std::copy_n(greys.data() + row * cells, cells, look.grey.begin());
      std::copy_n(details.data() + row * detailCells, detailCells, look.detail.begin());
      std::copy_n(colours.data() + row * colourValues, colourValues, look.colour.begin());
      look.width = sizes.data()[2 * row];
      look.height = sizes.data()[2 * row + 1];
    }
  const std::int64_t* row0 = rows.data();
  const double* distance0 = distances.data();
  for (std::size_t i = 0; i < looks.size() * k; ++i)
    if (row0[i] >= n) throw py::value_error("rows name a row past the N rows");
  std::vector<std::size_t> groups;
  {
    py::gil_scoped_release unlocked;
    const bool* isBad = bad.data();
    groups = GroupRows(
        looks.size(), [&](std::size_t row) { return isBad[row]; }, looks,
        [&](std::size_t row) {
          std::vector<Neighbour> found;
          for (std::size_t j = 0; j < k; ++j)
            if (row0[row * k + j] >= 0)
              found.push_back({static_cast<std::size_t>(row0[row * k + j]), distance0[row * k + j]});
          return found;
        },
        RuleNamed(rule), static_cast<unsigned>(std::max(jobs, 0)));
  }
  py::array_t<std::int64_t> out(static_cast<py::ssize_t>(groups.size()));
  std::copy(groups.begin(), groups.end(), out.mutable_data());
  return out;
}

// The groups of a data set's rows (search/groups.h): `values` its records,
// `names` its icons, measured again with `settings` for their signatures.
// Returns the group of each row (0 for "Bad Icon") and, for each row whose
// icon could not be measured again, its reason ("" for the others).
py::tuple GroupDataSet(const py::array_t<double, py::array::c_style | py::array::forcecast>& values,
                       const std::vector<std::string>& names, const Settings& settings,
                       const GroupingRule& rule, int jobs) {
  DescriptorTable table;
  FillTable(values, "values", &table);
  if (names.size() != table.size())
    throw py::value_error(std::to_string(names.size()) + " names for " + std::to_string(table.size()) +
                          " rows");
  const unsigned threads = static_cast<unsigned>(std::max(jobs, 0));
  DataSetGroups grouped;
  {
    py::gil_scoped_release unlocked;
    table.PrepareFor(Metric::kRoot);
    std::unique_ptr<RecordIndex> index;
    if (table.form() == RecordForm::kTinyInt && IndexPays(table.usable(), table.usable(), false))
      if (Status built = RecordIndex::Build(table, threads, &index); !built.ok()) index.reset();
    grouped = GroupsOfDataSet(
        table, [&](std::size_t row) { return names[row]; }, settings.load, settings.distortion,
        index.get(), rule, threads);
  }
  const std::vector<std::size_t>& groups = grouped.groups;
  py::array_t<std::int64_t> out(static_cast<py::ssize_t>(groups.size()));
  std::copy(groups.begin(), groups.end(), out.mutable_data());
  return py::make_tuple(out, ShownReasons(grouped.failures));
}

// Measures every path on `jobs` threads, the GIL released; row i of the
// result holds path i's numbers as its line in vexlor-batch's output holds
// them, in `tiny` or double form (6 significant digits), NaN for a path
// that gave "Bad Icon". Returns the values, the mask of bad rows, and each
// row's reason ("" for a good one).
py::tuple DescribeMany(const std::vector<std::string>& paths, int jobs, bool tiny,
                       const Settings& settings) {
  const size_t n = paths.size();
  py::array_t<double> values({static_cast<py::ssize_t>(n),
                              static_cast<py::ssize_t>(record_token_count)});
  py::array_t<bool> bad(static_cast<py::ssize_t>(n));
  double* out = values.mutable_data();
  bool* badOut = bad.mutable_data();
  std::vector<std::string> failures(n);
  {
    py::gil_scoped_release unlocked;
    ParallelFor(n, static_cast<unsigned>(std::max(jobs, 0)), [&](size_t i) {
      double* row = out + i * record_token_count;
      std::optional<Descriptors> described;
      const Status status =
          DescribeFile(paths[i], settings.load, settings.distortion, &described);
      badOut[i] = !status.ok();
      if (!status.ok()) {
        std::fill(row, row + record_token_count, std::nan(""));
        failures[i] = Shown(status.message());
      } else {
        const std::vector<double> v =
            RecordValues(*described, tiny ? RecordForm::kTinyInt : RecordForm::kDouble);
        std::copy(v.begin(), v.end(), row);
      }
    });
  }
  return py::make_tuple(values, bad, failures);
}

// The same from the binary table beside the file (search/table_file.h),
// when there is one that matches it: nullopt when there is none to use.
template <typename T>
std::optional<py::tuple> ReadTableInto(const std::string& path) {
  std::optional<py::array_t<T>> values;
  std::optional<py::array_t<bool>> bad;
  bool tinyForm = true;
  bool fits = true;
  T* out = nullptr;
  bool* badOut = nullptr;
  const bool read = ForEachTableLine(
      path,
      [&](RecordForm form, std::uint64_t lines) {
        fits = std::is_same_v<T, double> || form == RecordForm::kTinyInt;
        if (!fits) return;
        tinyForm = form == RecordForm::kTinyInt;
        values.emplace(std::vector<py::ssize_t>{static_cast<py::ssize_t>(lines),
                                                static_cast<py::ssize_t>(record_token_count)});
        bad.emplace(static_cast<py::ssize_t>(lines));
        out = values->mutable_data();
        badOut = bad->mutable_data();
      },
      [&](std::uint64_t i, const std::uint8_t* tiny, const double* exact) {
        if (!fits) return;
        T* row = out + i * record_token_count;
        badOut[i] = tiny == nullptr && exact == nullptr;
        if (badOut[i]) {
          std::fill(row, row + record_token_count,
                    std::is_same_v<T, double> ? static_cast<T>(std::nan("")) : T{0});
          return;
        }
        for (std::size_t v = 0; v < kSearchedValueCount; ++v)
          row[v] = static_cast<T>(tiny != nullptr ? tiny[v] : exact[v]);
        for (std::uint32_t v = 0; v < rec_desc_length + group_desc_length; ++v)
          row[kSearchedValueCount + v] =
              tinyForm ? static_cast<T>(FormTailValue(kTinyIntConstants, v))
                       : static_cast<T>(FormTailValue(kDoubleConstants, v));
      });
  if (!read || !fits) return std::nullopt;
  return py::make_tuple(*values, *bad);
}

template <typename T>
py::tuple ReadResultsInto(const std::string& path) {
  if (std::optional<py::tuple> fromTable = ReadTableInto<T>(path)) return *fromTable;
  Status status;
  std::size_t rows = 0;
  const DataState readFrom = DataStateOf(path);
  {
    py::gil_scoped_release unlocked;
    status = CountLinesOf(path, '\n', &rows);
    if (!status.ok()) status = Status::IOError("cannot read '" + path + "': " + status.message());
  }
  py::array_t<T> values;
  py::array_t<bool> bad;
  if (status.ok()) {
    values = py::array_t<T>({static_cast<py::ssize_t>(rows),
                             static_cast<py::ssize_t>(record_token_count)});
    bad = py::array_t<bool>(static_cast<py::ssize_t>(rows));
    T* out = values.mutable_data();
    bool* badOut = bad.mutable_data();
    py::gil_scoped_release unlocked;
    std::optional<RecordForm> form;
    if constexpr (std::is_same_v<T, std::uint8_t>) form = RecordForm::kTinyInt;
    std::size_t seen = 0;
    status = ForEachResultsLine(path, [&](std::size_t number, const double* line) {
      if (number > rows)
        return Status::IOError("cannot read '" + path + "': it grew while it was read");
      seen = number;
      T* row = out + (number - 1) * record_token_count;
      badOut[number - 1] = line == nullptr;
      if (line == nullptr) {
        std::fill(row, row + record_token_count,
                  std::is_same_v<T, double> ? static_cast<T>(std::nan("")) : T{0});
        return Status();
      }
      if (Status checked = CheckRecord(line, &form); !checked.ok())
        return Status::InvalidArgument(path + ":" + std::to_string(number) + ": " +
                                       checked.message());
      for (std::size_t i = 0; i < record_token_count; ++i) row[i] = static_cast<T>(line[i]);
      return Status();
    });
    if (status.ok() && seen != rows)
      status = Status::IOError("cannot read '" + path + "': it changed while it was read");
    // The table beside the file, so that the next reading takes a fraction
    // of the time; a cache, so one that cannot be written costs only time.
    if (status.ok())
      (void)WriteTableFile(path, readFrom, form.value_or(RecordForm::kTinyInt), rows,
                           [&](std::uint64_t i, void* into) {
                             if (badOut[i]) return false;
                             const T* row = out + i * record_token_count;
                             for (std::size_t v = 0; v < kSearchedValueCount; ++v) {
                               if (form == RecordForm::kDouble)
                                 static_cast<double*>(into)[v] = static_cast<double>(row[v]);
                               else
                                 static_cast<std::uint8_t*>(into)[v] = static_cast<std::uint8_t>(row[v]);
                             }
                             return true;
                           });
  }
  if (!status.ok()) {
    if (status.code() == Status::Code::kIOError) {
      PyErr_SetString(PyExc_OSError, Shown(status.message()).c_str());
      throw py::error_already_set();
    }
    throw py::value_error(Shown(status.message()));
  }
  return py::make_tuple(values, bad);
}

py::tuple ReadResultsArrays(const std::string& path, bool tiny) {
  return tiny ? ReadResultsInto<std::uint8_t>(path) : ReadResultsInto<double>(path);
}

}  // namespace
}  // namespace vexlor

PYBIND11_MODULE(_vexlor, m) {
  using namespace vexlor;
  m.doc() = "vexlor's native part; use the vexlor package.";
  QuietImageLibrary();

  py::class_<Described>(m, "Descriptors")
      .def_property_readonly("orientation",
                             [](const Described& r) {
                               const Descriptors& d = r.descriptors;
                               return ArrayOf(std::vector<double>(d.recDesc().begin(),
                                                                  d.recDesc().begin() + derivative_desc_length),
                                              {12, 8});
                             })
      .def_property_readonly("lab",
                             [](const Described& r) {
                               const Descriptors& d = r.descriptors;
                               return ArrayOf(std::vector<double>(d.recDesc().begin() + derivative_desc_length,
                                                                  d.recDesc().end()),
                                              {12, 6});
                             })
      .def_property_readonly("groups",
                             [](const Described& r) { return ArrayOf(r.descriptors.groupDesc(), {5, 8}); })
      .def_property_readonly("values",
                             [](const Described& r) { return ArrayOf(Values(r.descriptors), {record_token_count}); })
      .def_property_readonly("tiny",
                             [](const Described& r) { return ArrayOf(Tiny(r.descriptors), {record_token_count}); })
      .def("line", [](const Described& r, bool tiny) {
        return RecordLine(r.descriptors, tiny ? RecordForm::kTinyInt : RecordForm::kDouble);
      }, py::arg("tiny") = true)
      .def("card", &CardOf);

  m.def("_set_bad_icon_error", [](py::object type) {
    bad_icon_error = type.release().ptr();
  });
  m.def("describe_path",
        [](const std::string& path, int blur, double red, double green, double blue,
           const std::string& background, int svg_size) {
          return DescribePath(path, MakeSettings(blur, red, green, blue, background, svg_size));
        });
  m.def("describe_array",
        [](const py::array& icon, const std::string& order, int blur, double red, double green,
           double blue, const std::string& background, int svg_size) {
          return DescribeArray(icon, order, MakeSettings(blur, red, green, blue, background, svg_size));
        });
  m.def("describe_many",
        [](const std::vector<std::string>& paths, int jobs, bool tiny, int blur, double red,
           double green, double blue, const std::string& background, int svg_size) {
          return DescribeMany(paths, jobs, tiny, MakeSettings(blur, red, green, blue, background, svg_size));
        });
  m.def("read_results", &ReadResultsArrays);
  m.def("nearest", &NearestArrays);
  m.def("group_data_set",
        [](const py::array_t<double, py::array::c_style | py::array::forcecast>& values,
           const std::vector<std::string>& names, int blur, double red, double green, double blue,
           const std::string& background, int svg_size, const std::string& rule, int jobs) {
          return GroupDataSet(values, names, MakeSettings(blur, red, green, blue, background, svg_size),
                              RuleNamed(rule), jobs);
        });
  m.def("icon_looks",
        [](const std::vector<std::string>& names,
           const py::array_t<bool, py::array::c_style | py::array::forcecast>& bad, int blur,
           double red, double green, double blue, const std::string& background, int svg_size,
           int jobs) {
          return LookArrays(names, bad, MakeSettings(blur, red, green, blue, background, svg_size), jobs);
        });
  m.def("group_neighbours", &GroupNeighbourArrays);
  m.attr("GROUP_NEIGHBOURS") = kGroupNeighbours;
  py::class_<ArrayIndex>(m, "_Index")
      .def(py::init<const py::array_t<double, py::array::c_style | py::array::forcecast>&, int>())
      .def("nearest", &ArrayIndex::Nearest)
      .def_property_readonly("rows", &ArrayIndex::rows)
      .def_property_readonly("records", &ArrayIndex::records);
  m.attr("DEFAULT_METRIC") = MetricName(kDefaultMetric);
  m.attr("RECORD_LENGTH") = record_token_count;
  m.attr("MAX_BLUR") = kMaxOptionBlur;
  m.attr("MAX_SVG_SIZE") = kMaxSvgSize;
  m.attr("MAX_ICON_PIXELS") = MaxIconPixels();
  m.attr("VERSION") = VEXLOR_VERSION;
}
