// The one way the bench writes a file a person named (a panel configuration
// placed into, a picture): never where it was not asked to, and never half.
// A symlink is written through to its target, which keeps its mode and
// owner; a target that is not a regular file (a FIFO, /dev/null, a folder)
// or that the user may not write is refused. The bytes go into a new file
// made beside the target (mkstemp: a name no one can guess ahead or point
// elsewhere), which is renamed over the target only once it is complete; a
// full disk or a folder one may not write leaves the target as it was. A
// target with other hard links is rewritten in place, so that every link
// keeps seeing the file; the complete copy beside it is removed only after.
#pragma once

#include <stdexcept>
#include <string>

namespace bench {

struct FileWriteError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Writes `bytes` as the whole of `path`. Throws FileWriteError, one line
// naming the file: "PATH: not written: it is a FIFO, not a regular file".
void write_file_safely(const std::string& path, const std::string& bytes);

}  // namespace bench
