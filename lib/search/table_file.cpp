#include "search/table_file.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "search/table_packing.h"
#include "support/whole_file.h"

namespace vexlor {

namespace {

constexpr char kMagic[8] = {'V', 'X', 'T', 'A', 'B', 'L', 'E', '1'};
constexpr std::int64_t kSettledNs = std::int64_t{2} * 1000000000;

struct Header {
  char magic[8];
  std::uint32_t form;         // 0 TinyInt, 1 double
  std::uint32_t value_count;  // kSearchedValueCount
  std::uint64_t lines;
  std::uint64_t data_size, data_inode, data_device;
  std::int64_t data_mtime_ns;
};

std::uint64_t ValueBytes(RecordForm form) {
  return form == RecordForm::kDouble ? sizeof(double) : 1;
}

std::uint64_t FileSize(const Header& h) {
  return sizeof h + h.lines + h.lines * kSearchedValueCount *
                                  ValueBytes(h.form == 1 ? RecordForm::kDouble : RecordForm::kTinyInt);
}

bool Matches(const Header& h, const DataState& data) {
  return std::memcmp(h.magic, kMagic, sizeof kMagic) == 0 && h.form <= 1 &&
         h.value_count == kSearchedValueCount && data.regular && h.data_size == data.size &&
         h.data_inode == data.inode && h.data_device == data.device &&
         h.data_mtime_ns == data.mtime_ns;
}

}  // namespace

std::string TablePathOf(const std::string& data) { return data + ".table"; }

DataState DataStateOf(const std::string& data) {
  DataState state;
  struct stat st;
  if (::stat(data.c_str(), &st) != 0) return state;
  state.regular = S_ISREG(st.st_mode);
  state.size = static_cast<std::uint64_t>(st.st_size);
  state.inode = st.st_ino;
  state.device = st.st_dev;
  state.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return state;
}

bool Settled(const DataState& state) {
  timespec clock{};
  ::clock_gettime(CLOCK_REALTIME, &clock);
  const std::int64_t nowNs = static_cast<std::int64_t>(clock.tv_sec) * 1000000000 + clock.tv_nsec;
  return state.regular && state.mtime_ns <= nowNs - kSettledNs;
}

bool ForEachTableLine(
    const std::string& data, const std::function<void(RecordForm, std::uint64_t)>& begin,
    const std::function<void(std::uint64_t, const std::uint8_t*, const double*)>& line) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
      std::fopen(TablePathOf(data).c_str(), "rb"), std::fclose);
  if (!file) return false;
  Header h;
  struct stat st;
  if (std::fread(&h, sizeof h, 1, file.get()) != 1 || !Matches(h, DataStateOf(data)) ||
      ::fstat(::fileno(file.get()), &st) != 0 ||
      static_cast<std::uint64_t>(st.st_size) != FileSize(h))
    return false;
  const RecordForm form = h.form == 1 ? RecordForm::kDouble : RecordForm::kTinyInt;
  std::vector<char> bad(h.lines);
  const long flagsAt = static_cast<long>(st.st_size - h.lines);
  if (h.lines > 0 && (std::fseek(file.get(), flagsAt, SEEK_SET) != 0 ||
                      std::fread(bad.data(), 1, bad.size(), file.get()) != bad.size() ||
                      std::fseek(file.get(), sizeof h, SEEK_SET) != 0))
    return false;
  begin(form, h.lines);
  // Blocks of lines, so that reading costs few calls and little memory.
  constexpr std::uint64_t kBlockLines = 4096;
  std::vector<std::uint8_t> tiny;
  std::vector<double> exact;
  for (std::uint64_t first = 0; first < h.lines; first += kBlockLines) {
    const std::uint64_t count = std::min(kBlockLines, h.lines - first);
    const std::size_t values = count * kSearchedValueCount;
    const bool read = form == RecordForm::kDouble
                          ? (exact.resize(values),
                             std::fread(exact.data(), sizeof(double), values, file.get()) == values)
                          : (tiny.resize(values),
                             std::fread(tiny.data(), 1, values, file.get()) == values);
    if (!read) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
      const bool isBad = bad[first + i] != 0;
      line(first + i,
           isBad || form != RecordForm::kTinyInt ? nullptr : &tiny[i * kSearchedValueCount],
           isBad || form != RecordForm::kDouble ? nullptr : &exact[i * kSearchedValueCount]);
    }
  }
  return true;
}

Status WriteTableFile(const std::string& data, const DataState& read_from, RecordForm form,
                      std::uint64_t lines, const std::function<bool(std::uint64_t, void*)>& values) {
  const DataState now = DataStateOf(data);
  if (!(now == read_from) || !Settled(now)) return {};
  Header h{};
  std::memcpy(h.magic, kMagic, sizeof kMagic);
  h.form = form == RecordForm::kDouble ? 1 : 0;
  h.value_count = kSearchedValueCount;
  h.lines = lines;
  h.data_size = now.size;
  h.data_inode = now.inode;
  h.data_device = now.device;
  h.data_mtime_ns = now.mtime_ns;

  // One pass over the lines, through a buffer of about a megabyte: a write
  // a line would cost a million system calls for a million lines. The
  // flags, a byte a line, are kept and go last.
  const std::size_t rowBytes = kSearchedValueCount * ValueBytes(form);
  const std::string path = TablePathOf(data);
  const Status written = ReplaceWholeFileWith(path, [&](int fd) {
    std::string block(reinterpret_cast<const char*>(&h), sizeof h), flags;
    flags.reserve(lines);
    std::vector<char> row(rowBytes);
    for (std::uint64_t i = 0; i < lines; ++i) {
      std::fill(row.begin(), row.end(), 0);
      flags.push_back(values(i, row.data()) ? 0 : 1);
      block.append(row.data(), rowBytes);
      if (block.size() >= (std::size_t{1} << 20)) {
        if (Status status = WriteAll(fd, block.data(), block.size()); !status.ok()) return status;
        block.clear();
      }
    }
    block += flags;
    return WriteAll(fd, block.data(), block.size());
  });
  if (written.ok()) return {};
  return Status::IOError("cannot write the table '" + path + "': " + written.message());
}

Status WriteTableFile(const std::string& data, const DataState& read_from,
                      const DescriptorTable& table) {
  if (table.prepared_for_root()) return {};
  const RecordForm form = table.form().value_or(RecordForm::kTinyInt);
  using Packing = DescriptorTablePacking;
  return WriteTableFile(data, read_from, form, table.size(), [&](std::uint64_t row, void* into) {
    if (table.bad(row)) return false;
    if (form == RecordForm::kDouble) {
      std::memcpy(into, Packing::Exact(table, row), kSearchedValueCount * sizeof(double));
    } else {
      auto* bytes = static_cast<std::uint8_t*>(into);
      std::memcpy(bytes, Packing::TinyHead(table, row), kTinyHeadValues);
      std::memcpy(bytes + kTinyHeadValues, Packing::TinyRest(table, row), kTinyRestValues);
    }
    return true;
  });
}

}  // namespace vexlor
