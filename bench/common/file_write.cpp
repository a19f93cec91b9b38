#include "bench/common/file_write.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace bench {

namespace {

std::string not_written(const std::string& path, const std::string& why) {
    return path + ": not written: " + why;
}

#if !defined(_WIN32)

// Where a chain of symlinks ends: the file that is written. A link's
// relative target is taken from the link's folder.
std::string final_target(const std::string& path) {
    std::string at = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat info {};
        if (lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
        std::string target(4096, '\0');
        ssize_t n = readlink(at.c_str(), target.data(), target.size());
        if (n < 0 || size_t(n) >= target.size()) throw FileWriteError(not_written(path, "its symlink cannot be read"));
        target.resize(size_t(n));
        const std::filesystem::path link(at);
        at = target[0] == '/' ? target : (link.parent_path() / target).string();
    }
    throw FileWriteError(not_written(path, "its symlinks go round in a loop"));
}

std::string kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder";
    if (S_ISFIFO(mode)) return "it is a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not a regular file";
    if (S_ISSOCK(mode)) return "it is a socket, not a regular file";
    return "it is not a regular file";
}

// Writes all of `bytes` to `fd`; false with errno set when it could not.
bool write_all(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        done += size_t(n);
    }
    return true;
}

std::string reason(int error) {
    if (error == ENOSPC || error == EDQUOT) return "the disk is full";
    if (error == EACCES || error == EPERM) return "its folder may not be written";
    if (error == EROFS) return "it is on a read-only file system";
    return std::strerror(error);
}

#endif

}  // namespace

#if defined(_WIN32)

void write_file_safely(const std::string& path, const std::string& bytes) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status old = fs::status(path, error);
    if (!error && fs::exists(old) && !fs::is_regular_file(old))
        throw FileWriteError(not_written(path, "it is not a regular file"));
    const std::string partial = path + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) throw FileWriteError(not_written(path, "cannot make " + partial));
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            fs::remove(partial, error);
            throw FileWriteError(not_written(path, "the disk is full"));
        }
    }
    fs::rename(partial, path, error);
    if (error) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        throw FileWriteError(not_written(path, error.message()));
    }
}

#else

void write_file_safely(const std::string& path, const std::string& bytes) {
    const std::string target = final_target(path);
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) throw FileWriteError(not_written(path, std::strerror(errno)));
    if (exists && !S_ISREG(old.st_mode)) throw FileWriteError(not_written(path, kind_of(old.st_mode)));
    // Read-only for this user, or for everyone (a file made read-only on
    // purpose is kept so even from one whom the system lets write it).
    if (exists && access(target.c_str(), W_OK) != 0)
        throw FileWriteError(not_written(path, errno == EROFS ? "it is on a read-only file system" : "it is read-only"));
    if (exists && !(old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) throw FileWriteError(not_written(path, "it is read-only"));

    const std::filesystem::path where(target);
    const std::string folder = where.has_parent_path() ? where.parent_path().string() : ".";
    std::string temporary = folder + "/." + where.filename().string() + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) throw FileWriteError(not_written(path, reason(errno)));
    auto give_up = [&](int error) {
        close(fd);
        unlink(temporary.c_str());
        throw FileWriteError(not_written(path, reason(error)));
    };
    mode_t mode;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    if (!write_all(fd, bytes) || fsync(fd) != 0) give_up(errno);
    // The owner and group as they were; one who may not give a file away
    // (not root, say) keeps what mkstemp gave where they differ.
    if (exists && (old.st_uid != geteuid() || old.st_gid != getegid())) {
        if (fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, geteuid(), old.st_gid) != 0) {
        }
    }
    if (fchmod(fd, mode) != 0) give_up(errno);

    if (exists && old.st_nlink > 1) {
        // Other names share this file: it is rewritten in place so that all
        // of them see the new bytes. The complete copy beside it goes last.
        const int in_place = open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (in_place < 0 || !write_all(in_place, bytes) || fsync(in_place) != 0) {
            const int error = errno;
            if (in_place >= 0) close(in_place);
            close(fd);
            throw FileWriteError(not_written(path, reason(error) + "; its new bytes are in " + temporary));
        }
        close(in_place);
        close(fd);
        unlink(temporary.c_str());
        return;
    }
    if (close(fd) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw FileWriteError(not_written(path, reason(error)));
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        unlink(temporary.c_str());
        throw FileWriteError(not_written(path, reason(error)));
    }
}

#endif

}  // namespace bench
