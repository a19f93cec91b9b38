// One bounded reader for every file the bench takes from a person: panel
// configurations, their pictures, scenario scripts and gauge files. Only
// regular files are read (a FIFO would hang the reader, a device such as
// /dev/zero never ends, a folder has no bytes), and a file's size is checked
// against the cap of its kind before a byte is read, so memory stays bounded
// whatever the file claims. Every refusal is one line naming the file.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace bench {

struct FileReadError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

inline constexpr uint64_t MIB = uint64_t(1) << 20;
inline constexpr uint64_t PANEL_FILE_CAP = 16 * MIB;    // panel configurations, scripts
inline constexpr uint64_t PICTURE_FILE_CAP = 64 * MIB;  // background pictures, gauge files

// Empty for a regular file; else why it is not read: "it is a FIFO, not a
// regular file", "it is a folder", "no such file" and the like.
std::string not_regular_file(const std::string& path);

// The whole of `path`, a regular file of at most `cap` bytes; `what` names
// its kind in messages ("the picture"). Throws FileReadError:
// "PATH: cannot open the picture" (there is none),
// "PATH: cannot open the picture: it is a FIFO, not a regular file",
// "PATH: the picture is 3221225472 bytes; at most 67108864 (64 MiB) are read",
// "PATH: out of memory reading the picture (N bytes)".
std::string read_file_bounded(const std::string& path, uint64_t cap, const std::string& what);

}  // namespace bench
