#include "bench/common/file_read.h"

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace bench {

namespace {

#if defined(_WIN32)
constexpr int OPEN_FLAGS = O_RDONLY | O_BINARY;
#else
// Non-blocking, so that opening a FIFO returns at once instead of waiting
// for a writer; the type is checked on the open file, so it cannot change
// between the check and the read.
constexpr int OPEN_FLAGS = O_RDONLY | O_NONBLOCK | O_CLOEXEC;
#endif

std::string kind_of(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return "it is a folder";
#if !defined(_WIN32)
    if (S_ISFIFO(info.st_mode)) return "it is a FIFO, not a regular file";
    if (S_ISSOCK(info.st_mode)) return "it is a socket, not a regular file";
    if (S_ISBLK(info.st_mode)) return "it is a block device, not a regular file";
#endif
    if (S_ISCHR(info.st_mode)) return "it is a device, not a regular file";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    return "";
}

std::string mib(uint64_t bytes) {
    return bytes % MIB == 0 ? std::to_string(bytes / MIB) + " MiB" : std::to_string(bytes) + " bytes";
}

// Closes the descriptor on every way out.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

std::string not_regular_file(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return errno == ENOENT ? "no such file" : std::strerror(errno);
    return kind_of(info);
}

std::string read_file_bounded(const std::string& path, uint64_t cap, const std::string& what) {
    const std::string cannot_open = path + ": cannot open " + what;
    Descriptor file{open(path.c_str(), OPEN_FLAGS)};
    if (file.fd < 0) {
        if (errno == EISDIR) throw FileReadError(cannot_open + ": it is a folder");
        throw FileReadError(errno == ENOENT ? cannot_open : cannot_open + ": " + std::strerror(errno));
    }
    struct stat info {};
    if (fstat(file.fd, &info) != 0) throw FileReadError(cannot_open + ": " + std::strerror(errno));
    if (std::string kind = kind_of(info); !kind.empty()) throw FileReadError(cannot_open + ": " + kind);
    const uint64_t size = uint64_t(info.st_size);
    if (size > cap)
        throw FileReadError(path + ": " + what + " is " + std::to_string(size) + " bytes; at most " +
                            std::to_string(cap) + " (" + mib(cap) + ") are read");
#if !defined(_WIN32)
    // Regular files never block; reads go on as usual.
    fcntl(file.fd, F_SETFL, fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
#endif
    std::string bytes;
    try {
        bytes.resize(size_t(size));
    } catch (const std::bad_alloc&) {
        throw FileReadError(path + ": out of memory reading " + what + " (" + std::to_string(size) + " bytes)");
    }
    // A file that grows while it is read is taken as far as its size said;
    // one that shrinks, as far as it goes.
    size_t got = 0;
    while (got < bytes.size()) {
        auto n = read(file.fd, bytes.data() + got, unsigned(bytes.size() - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw FileReadError(path + ": cannot read " + what + ": " + std::strerror(errno));
        if (n == 0) break;
        got += size_t(n);
    }
    bytes.resize(got);
    return bytes;
}

}  // namespace bench
