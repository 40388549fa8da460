#ifndef VEXLOR_REPORT_WHOLE_FILE_H_
#define VEXLOR_REPORT_WHOLE_FILE_H_

#include <cstddef>
#include <string>

namespace vexlor {

// Writes all `size` bytes at `data` to `fd`, going on after short writes and
// interruptions. Returns 0, or the errno of the write that failed (EIO for
// one that wrote nothing).
int WriteAll(int fd, const void* data, std::size_t size);

// Creates the file at `path` (or empties it) and writes `size` bytes into it.
// When a write fails the file is emptied again, so that no cut file looks
// complete. Returns 0, or the errno of what failed.
int WriteWholeFile(const std::string& path, const void* data, std::size_t size);

}  // namespace vexlor

#endif  // VEXLOR_REPORT_WHOLE_FILE_H_
