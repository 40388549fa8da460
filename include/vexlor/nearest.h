// vexlor/nearest.h: the records of a data set nearest to a query record.
//
// Only the descriptor part of a record counts: its first 208 numbers
// (recDesc, then groupDesc). The weights and ranges that follow are the same
// in every record of a form, so they add nothing to any distance; they tell
// the form (TinyInt or double) and give the weighted metric its factors.
// With a = the query's descriptor part and b a data record's:
//
//   l1        sum over i < 208 of |a_i - b_i|
//   l2        the square root of the sum over i < 208 of (a_i - b_i)^2
//   weighted  sum over i < 168 of w_i |a_i - b_i|  +  (sum over j of |a_j - b_j|) / r
//             w_i: the record's weights (16 for an orientation bin, 1 for a Lab
//             sum; TinyInt 4 and 1); j runs over the 40 group values, r: their
//             common range (8; TinyInt 40)
//   root      sum over i < 208 of |T(a)_i - T(b)_i|, T the root transform:
//             each of the 17 orientation histograms (12 cells at 0..95, 5
//             groups at 168..207, 8 bins each) divided by its sum, then the
//             square root of every bin (a histogram that sums to 0, a flat
//             cell, stays all 0); the group histograms weighted 1; each Lab
//             sum v (96..167) as w sqrt(v / F), F the sum's full scale
//             (TinyInt 255, double 127.5), w 2.5 for the L sums, 1.5 for a,
//             3 for b. TinyInt records round T to integers in units of 1/85
//             (half to even: one byte a value, at most 255) and report the
//             integer sum / 85; double records keep T unrounded. T is
//             computed in double, one rounding per operation, sqrt correctly
//             rounded.
//
// TinyInt distances are computed exactly in integers (the weighted one as
// r * first sum + second sum) and rounded once to a double. Double-form sums
// run in index order, one rounding per operation, so they too are the same on
// every machine. Records are ranked by the exact sum (for l2, before the
// square root); equal sums keep the earlier record first. For root, tables
// hold the transformed values: they must be prepared for it (PrepareFor),
// which a table does once, at load time, and then for every record added.
//
// Contract: tables are plain values; a const table may be searched from any
// number of threads at once. Errors are Status values naming what failed.
#ifndef VEXLOR_NEAREST_H_
#define VEXLOR_NEAREST_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "vexlor/record.h"
#include "vexlor/status.h"

namespace vexlor {

enum class Metric { kL1, kL2, kWeighted, kRoot };
inline constexpr Metric kMetrics[] = {Metric::kL1, Metric::kL2, Metric::kWeighted, Metric::kRoot};

// The metric that retrieves best in the robustness benchmark.
inline constexpr Metric kDefaultMetric = Metric::kRoot;

// "l1", "l2", "weighted" or "root".
const char* MetricName(Metric metric);
std::optional<Metric> MetricNamed(std::string_view name);

// The numbers of a record that distances look at.
inline constexpr std::size_t kSearchedValueCount = 208;

// Which form the 416 numbers of a record have: the weights and ranges tell.
// kInvalidArgument when they are those of neither form.
Status FormOfRecord(const double* values, RecordForm* form);

// The rules every reader of records applies (vexlor-nearest, the module's
// read_results and nearest): the weights and ranges of one form, the same
// form as `*form` when that is set (then set to it), and descriptor values of
// the form (TinyInt: an integer 0..255; double: a finite number 0..1e6).
// kInvalidArgument saying what is wrong.
Status CheckRecord(const double* values, std::optional<RecordForm>* form);

// Records of one form, packed for scanning (TinyInt as one byte per value,
// doubles as doubles). "Bad Icon" rows keep their place in the numbering and
// are never returned.
class DescriptorTable {
 public:
  // The form is set by the first record added, or here.
  DescriptorTable() = default;
  explicit DescriptorTable(RecordForm form) : form_(form) {}

  // Adds the record whose 416 numbers, in results-file order, are `values`.
  // kInvalidArgument when it is a record of the other form or of neither, or
  // when a descriptor value is none (TinyInt: an integer 0..255; double: a
  // finite number 0..1e6).
  Status Add(const double* values);
  void AddBad();
  // Readies the table for `metric`: for kRoot, every record, and every
  // record added later, is replaced by its root transform (a table so
  // prepared serves only kRoot); other metrics need nothing.
  void PrepareFor(Metric metric);
  bool prepared_for_root() const { return root_; }
  // Makes room for `rows` rows in all, so that adding them allocates once.
  void Reserve(std::size_t rows);

  std::optional<RecordForm> form() const { return form_; }
  std::size_t size() const { return bad_.size(); }
  bool bad(std::size_t row) const { return bad_[row] != 0; }
  std::size_t usable() const { return usable_; }

  // Value i (< kSearchedValueCount) of good row `row` as the table holds
  // it: the record's own, or in a table prepared for kRoot its root
  // transform (TinyInt: the integer, in units of 1/85).
  double value(std::size_t row, std::size_t i) const;

 private:
  friend struct DescriptorTablePacking;  // the scans' view of the storage

  void AddTiny(std::uint8_t* values);  // 208 values, root-transformed here when prepared
  void ForgetTiny();

  std::optional<RecordForm> form_;
  std::vector<std::uint8_t> tiny_head_, tiny_rest_;
  std::vector<double> exact_;
  std::vector<char> bad_;
  std::size_t usable_ = 0;
  bool root_ = false;
};

// Reads a results file of either form, as vexlor and vexlor-batch write it,
// into `table`. kIOError when it cannot be read; kInvalidArgument
// ("<path>:<line>: ...") for a line that is no record of the table's form
// and not "Bad Icon".
Status ReadDescriptorTable(const std::string& path, DescriptorTable* table);

struct Neighbour {
  std::size_t row;
  double distance;
};

// The `k` good rows of `data` nearest to row `query` of `queries` (a good
// row; both tables of the same form), nearest first, fewer when `data` has
// fewer good rows. Throws vexlor::Error (kInvalidArgument) when the tables
// are not prepared for `metric`.
std::vector<Neighbour> Nearest(const DescriptorTable& data, const DescriptorTable& queries,
                               std::size_t query, std::size_t k, Metric metric);

}  // namespace vexlor

#endif  // VEXLOR_NEAREST_H_
