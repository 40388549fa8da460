#ifndef VEXLOR_SEARCH_TABLE_FILE_H_
#define VEXLOR_SEARCH_TABLE_FILE_H_

#include <cstdint>
#include <functional>
#include <string>

#include "vexlor/nearest.h"
#include "vexlor/status.h"

namespace vexlor {

// A results file's records in binary, kept beside it as DATA.table, so that
// a million records load in a fraction of a second instead of being parsed
// again from text: a header that ties it to DATA (its size, modification
// time, inode and device when the table was made), each line's
// kSearchedValueCount values as the results file holds them (a byte each for
// TinyInt, a double each for the double form; "Bad Icon" lines all 0), then
// a byte per line (1 for "Bad Icon"), in this machine's byte order. A table that
// does not match its DATA in every one of these, or whose size is not the
// one its header implies, is never used: DATA is read as text instead.
std::string TablePathOf(const std::string& data);

// DATA as it is now, to tie a table to.
struct DataState {
  std::uint64_t size = 0, inode = 0, device = 0;
  std::int64_t mtime_ns = 0;
  bool regular = false;
  bool operator==(const DataState&) const = default;
};
DataState DataStateOf(const std::string& data);

// Whether a file kept beside DATA may be tied to DATA in `state`: a regular
// file that has not changed for two seconds. File times tick coarsely (a few
// milliseconds): a DATA changed within the last seconds could change again,
// to the same size, without its time changing, and the file tied to it
// would then match a DATA it does not describe. Such a DATA gets its files
// at a later reading.
bool Settled(const DataState& state);

// Reads DATA's table: `begin(form, lines)`, then `line(i, tiny, exact)` for
// every line in order (both null for "Bad Icon"; else the values in `form`).
// False when there is no matching table, or it could not be read whole
// (then the lines given so far are to be dropped).
bool ForEachTableLine(
    const std::string& data, const std::function<void(RecordForm, std::uint64_t)>& begin,
    const std::function<void(std::uint64_t, const std::uint8_t*, const double*)>& line);

// Writes the table of DATA's `lines` lines of `form`, read when DATA was in
// state `read_from`, whole or not at all; nothing when DATA changed since or
// is no regular file, or changed in the last two seconds (its time could
// then miss a change to come). `values(i, into)` puts line i's kSearchedValueCount
// values into `into` (bytes for TinyInt, doubles for the double form) and
// returns false for a "Bad Icon" line.
Status WriteTableFile(const std::string& data, const DataState& read_from, RecordForm form,
                      std::uint64_t lines, const std::function<bool(std::uint64_t, void*)>& values);
// The same for `table`, read from DATA and not prepared for a metric.
Status WriteTableFile(const std::string& data, const DataState& read_from,
                      const DescriptorTable& table);

}  // namespace vexlor

#endif  // VEXLOR_SEARCH_TABLE_FILE_H_
