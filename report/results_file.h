#ifndef VEXLOR_REPORT_RESULTS_FILE_H_
#define VEXLOR_REPORT_RESULTS_FILE_H_

#include <string>
#include <string_view>

// Writes `record` (one record's text, without a line end) to the results file
// at `path`, in one write call so that records of processes appending to the
// same file at the same moment never interleave.
//
// Append mode: the file is created if missing, and the record goes to its
// end followed by a newline. When the file is not empty and does not end in
// a newline (an overwrite-mode run wrote it), a newline comes first, so that
// every record keeps a line of its own.
// Overwrite mode: the file is created or truncated and holds only the record,
// with no newline.
//
// Appends hold an advisory lock while they check and write (see
// output_file.h); the file is otherwise open to everyone. Returns false with
// a one-line reason in `*error` when the file cannot be opened, written or
// closed.
bool WriteRecordToFile(const char* path, bool append, std::string_view record,
                       std::string* error);

// The record that stands for an icon that cannot be loaded.
inline constexpr const char* kBadIcon = "Bad Icon";

// Writes `message` as a record of its own, as WriteRecordToFile does. Used
// for "Bad Icon" when the icon cannot be loaded.
bool WriteMessageToFile(const char* path, bool append, const char* message,
                        std::string* error);

#endif  // VEXLOR_REPORT_RESULTS_FILE_H_
