#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "search/root_transform.h"
#include "support/line_count.h"
#include "search/table_file.h"
#include "search/table_packing.h"
#include "vexlor/descriptors.h"
#include "vexlor/nearest.h"
#include "vexlor/results_file.h"

namespace vexlor {

Status DescriptorTable::Add(const double* values) {
  const std::optional<RecordForm> before = form_;
  Status status = CheckRecord(values, &form_);
  if (!status.ok()) return status;
  if (form_ == RecordForm::kTinyInt) {
    std::uint8_t row[kSearchedValueCount];
    std::copy(values, values + kSearchedValueCount, row);  // checked: integers 0..255
    AddTiny(row);
  } else {
    if (!before) {
      // Bad rows before the first record hold TinyInt placeholders.
      ForgetTiny();
      exact_.resize(size() * kSearchedValueCount);
    }
    exact_.insert(exact_.end(), values, values + kSearchedValueCount);
    if (root_) RootTransformExact(&exact_[exact_.size() - kSearchedValueCount]);
  }
  bad_.push_back(0);
  ++usable_;
  return {};
}

double DescriptorTable::value(std::size_t row, std::size_t i) const {
  using Packing = DescriptorTablePacking;
  if (form_ == RecordForm::kDouble) return Packing::Exact(*this, row)[i];
  return i < kTinyHeadValues ? Packing::TinyHead(*this, row)[i]
                             : Packing::TinyRest(*this, row)[i - kTinyHeadValues];
}

void DescriptorTable::AddTiny(std::uint8_t* values) {
  if (root_) RootTransformTiny(values);
  tiny_head_.insert(tiny_head_.end(), values, values + kTinyHeadValues);
  tiny_rest_.insert(tiny_rest_.end(), values + kTinyHeadValues, values + kSearchedValueCount);
}

void DescriptorTable::ForgetTiny() {
  std::vector<std::uint8_t>().swap(tiny_head_);
  std::vector<std::uint8_t>().swap(tiny_rest_);
}

void DescriptorTable::AddBad() {
  // A placeholder row keeps row numbers and storage offsets the same.
  if (form_ == RecordForm::kDouble) {
    exact_.resize(exact_.size() + kSearchedValueCount);
  } else {
    tiny_head_.resize(tiny_head_.size() + kTinyHeadValues);
    tiny_rest_.resize(tiny_rest_.size() + kTinyRestValues);
  }
  bad_.push_back(1);
}

void DescriptorTable::PrepareFor(Metric metric) {
  if (metric != Metric::kRoot || root_) return;
  root_ = true;
  for (std::size_t row = 0; row < size(); ++row) {
    if (bad(row)) continue;
    if (form_ == RecordForm::kDouble) {
      RootTransformExact(&exact_[row * kSearchedValueCount]);
      continue;
    }
    std::uint8_t values[kSearchedValueCount];
    std::uint8_t* head = &tiny_head_[row * kTinyHeadValues];
    std::uint8_t* rest = &tiny_rest_[row * kTinyRestValues];
    std::copy(head, head + kTinyHeadValues, values);
    std::copy(rest, rest + kTinyRestValues, values + kTinyHeadValues);
    RootTransformTiny(values);
    std::copy(values, values + kTinyHeadValues, head);
    std::copy(values + kTinyHeadValues, values + kSearchedValueCount, rest);
  }
}

void DescriptorTable::Reserve(std::size_t rows) {
  bad_.reserve(rows);
  if (!form_) return;
  if (form_ == RecordForm::kDouble) {
    exact_.reserve(rows * kSearchedValueCount);
  } else {
    tiny_head_.reserve(rows * kTinyHeadValues);
    tiny_rest_.reserve(rows * kTinyRestValues);
  }
}


namespace {

// The lines of DATA's table (search/table_file.h) into the empty `table`;
// false, and `table` empty again, when there is no table to use.
bool ReadFromTableFile(const std::string& path, const std::optional<RecordForm>& form,
                       DescriptorTable* table) {
  bool fits = true;
  const bool read = ForEachTableLine(
      path,
      [&](RecordForm tableForm, std::uint64_t lines) {
        fits = !form || *form == tableForm;
        *table = DescriptorTable(tableForm);
        if (fits) table->Reserve(lines);
      },
      [&](std::uint64_t, const std::uint8_t* tiny, const double* exact) {
        if (!fits) return;
        if (tiny == nullptr && exact == nullptr)
          table->AddBad();
        else
          DescriptorTablePacking::AddChecked(*table, *table->form(), tiny, exact);
      });
  if (read && fits) return true;
  *table = form ? DescriptorTable(*form) : DescriptorTable();
  return false;
}

}  // namespace

Status ReadDescriptorTable(const std::string& path, DescriptorTable* table) {
  // A table of its own beside the file, written when it was last read as
  // text, loads a million records in a fraction of a second. Only into an
  // empty table that holds raw records: the table's lines are its own.
  const bool fresh = table->size() == 0 && !table->prepared_for_root();
  if (fresh && ReadFromTableFile(path, table->form(), table)) return {};
  const DataState readFrom = DataStateOf(path);
  // Tables of a million records: one allocation of the right size, not a
  // growing one that holds up to three times the records while it moves.
  // 0 for a file that cannot be counted: the reading then says why.
  std::size_t lines = 0;
  (void)CountLinesOf(path, '\n', &lines);
  const std::size_t before = table->size();
  table->Reserve(before + lines);
  std::size_t added = 0;
  const Status read = ForEachResultsLine(path, [&](size_t number, const double* values) {
    if (values == nullptr) {
      table->AddBad();
      return Status();
    }
    const Status status = table->Add(values);
    // The form, and so the storage to reserve, is known from the first record.
    if (status.ok() && added++ == 0) table->Reserve(before + lines);
    if (status.ok()) return status;
    return Status::InvalidArgument(path + ":" + std::to_string(number) + ": " + status.message());
  });
  // The table is a cache: one that cannot be written costs only time.
  if (read.ok() && fresh) (void)WriteTableFile(path, readFrom, *table);
  return read;
}

}  // namespace vexlor
