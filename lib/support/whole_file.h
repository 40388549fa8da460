#ifndef VEXLOR_SUPPORT_WHOLE_FILE_H_
#define VEXLOR_SUPPORT_WHOLE_FILE_H_

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

// Replaces the file at `path` with `size` bytes, whole or not at all: they go
// to a new file in the same folder, which then takes the name. When anything
// fails, an earlier file at `path` stays as it was and nothing new is left.
// A path that exists and is no regular file (a FIFO, which would block until
// someone reads it, a device, a folder) is refused. A symbolic link is
// written through, as a shell's > writes: the file it points to is replaced
// (made, when the link dangles) and the link stays. Returns "", or why it
// failed.
std::string ReplaceWholeFile(const std::string& path, const void* data, std::size_t size);

}  // namespace vexlor

#endif  // VEXLOR_SUPPORT_WHOLE_FILE_H_
