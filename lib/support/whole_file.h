#ifndef VEXLOR_SUPPORT_WHOLE_FILE_H_
#define VEXLOR_SUPPORT_WHOLE_FILE_H_

#include <cstddef>
#include <functional>
#include <string>

#include "vexlor/status.h"

namespace vexlor {

// Each of these fails with an IOError whose message is the reason alone (the
// system's, as strerror words it), for the caller to put after what it was
// writing.

// Writes all `size` bytes at `data` to `fd`, going on after short writes and
// interruptions. A write that writes nothing fails as EIO.
Status WriteAll(int fd, const void* data, std::size_t size);

// Creates the file at `path` (or empties it) and writes `size` bytes into it.
// When a write fails the file is emptied again, so that no cut file looks
// complete.
Status WriteWholeFile(const std::string& path, const void* data, std::size_t size);

// Replaces the file at `path` with `size` bytes, whole or not at all: they go
// to a new file in the same folder, which then takes the name. When anything
// fails, an earlier file at `path` stays as it was and nothing new is left.
// A path that exists and is no regular file (a FIFO, which would block until
// someone reads it, a device, a folder) is refused. A symbolic link is
// written through, as a shell's > writes: the file it points to is replaced
// (made, when the link dangles) and the link stays.
Status ReplaceWholeFile(const std::string& path, const void* data, std::size_t size);

// The same for contents written piece by piece: `write(fd)` writes them into
// the new file, and its failure leaves the earlier file as it was.
Status ReplaceWholeFileWith(const std::string& path, const std::function<Status(int fd)>& write);

}  // namespace vexlor

#endif  // VEXLOR_SUPPORT_WHOLE_FILE_H_
