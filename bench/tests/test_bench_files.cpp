// The files the bench reads and writes for a person: only regular files are
// read, each within the cap of its kind, and every refusal is one line
// naming the file; what it writes goes through symlinks to their targets,
// never onto a special or read-only file, and never half (a full disk or a
// read-only folder leaves the target as it was).
#include "bench/tests/bench_support.h"

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "bench/common/bmp.h"
#include "bench/common/file_read.h"
#include "bench/common/file_write.h"
#include "bench/common/message.h"
#include "bench/common/panel_config.h"
#include "bench/common/panel_writer.h"

namespace fs = std::filesystem;

namespace {

// A fresh folder of the test's own under the suite's output folder.
std::string scratch(const std::string& name) {
    const std::string folder = benchtest::out_dir + "/files-" + name;
    fs::remove_all(folder);
    fs::create_directories(folder);
    return folder;
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of `size` bytes that takes no room: a hole.
void sparse(const std::string& path, uint64_t size) {
    write(path, "");
    fs::resize_file(path, size);
}

// The message a call refuses with, or "" when it does not.
template <class Call>
std::string refusal(Call&& call) {
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "";
}

bool one_line(const std::string& message) { return !message.empty() && message.find('\n') == std::string::npos; }

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Runs `check` in a child process in a mount namespace of its own, where
// `folder` is a tmpfs of 64 KiB mounted with `flags`; the child's exit
// status is 0 when every check held. Answers -1 where the system gives no
// such namespace.
int on_small_file_system(const std::string& folder, unsigned long flags, const std::function<int()>& prepare,
                         const std::function<int()>& check) {
    const pid_t child = fork();
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
            _exit(100);
        if (int prepared = prepare(); prepared != 0) _exit(prepared);
        if (flags && mount(nullptr, folder.c_str(), nullptr, MS_REMOUNT | flags, "size=64k") != 0) _exit(100);
        _exit(check());
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status)) return 99;
    return WEXITSTATUS(status) == 100 ? -1 : WEXITSTATUS(status);
}

}  // namespace

TEST_CASE("only regular files are read: a FIFO, a device and a folder are refused at once, naming the file") {
    const std::string folder = scratch("special");
    const std::string fifo = folder + "/panel.cfg";
    REQUIRE(mkfifo(fifo.c_str(), 0600) == 0);
    const auto start = std::chrono::steady_clock::now();
    // Each reader of the bench: panel configurations, pictures, scripts.
    const std::string panel = refusal([&] { bench::read_panel_config(fifo); });
    const std::string picture = refusal([&] { bench::read_bmp(fifo); });
    const std::string script = refusal([&] { bench::load_script(fifo); });
    CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
    CHECK(panel == fifo + ": cannot open the panel configuration: it is a FIFO, not a regular file");
    CHECK(picture == fifo + ": cannot open the picture: it is a FIFO, not a regular file");
    CHECK(script == fifo + ": cannot open the script file: it is a FIFO, not a regular file");

    CHECK(refusal([] { bench::read_bmp("/dev/zero"); }) ==
          "/dev/zero: cannot open the picture: it is a device, not a regular file");
    CHECK(refusal([] { bench::read_panel_config("/dev/zero"); }) ==
          "/dev/zero: cannot open the panel configuration: it is a device, not a regular file");
    CHECK(refusal([&] { bench::read_panel_config(folder); }) ==
          folder + ": cannot open the panel configuration: it is a folder");
    CHECK(refusal([&] { bench::read_bmp(folder + "/none.bmp"); }) ==
          folder + "/none.bmp: cannot open the picture");

    // A window whose picture is a FIFO is drawn plain, the picture named.
    write(folder + "/window.cfg", "[Window00]\nfile=panel.cfg\nsize_mm=10,10\n");
    bench::PanelConfig config = bench::read_panel_config(folder + "/window.cfg");
    CHECK(config.background_problem.find("it is a FIFO, not a regular file; the window is drawn plain") !=
          std::string::npos);
}

TEST_CASE("a file's size is capped before it is read: 16 MiB for a panel file, 64 MiB for a picture") {
    const std::string folder = scratch("sizes");
    sparse(folder + "/big.cfg", bench::PANEL_FILE_CAP + 1);
    sparse(folder + "/huge.bmp", uint64_t(3) << 30);
    sparse(folder + "/edge.bmp", bench::PICTURE_FILE_CAP + 1);
    const auto start = std::chrono::steady_clock::now();
    const std::string panel = refusal([&] { bench::read_panel_config(folder + "/big.cfg"); });
    const std::string huge = refusal([&] { bench::read_bmp(folder + "/huge.bmp"); });
    const std::string edge = refusal([&] { bench::read_bmp(folder + "/edge.bmp"); });
    CHECK(std::chrono::steady_clock::now() - start < std::chrono::seconds(2));
    CHECK(panel == folder + "/big.cfg: the panel configuration is 16777217 bytes; at most 16777216 (16 MiB) are read");
    CHECK(huge == folder + "/huge.bmp: the picture is 3221225472 bytes; at most 67108864 (64 MiB) are read");
    CHECK(one_line(edge));
    CHECK(edge.find("67108865 bytes") != std::string::npos);
    // At the cap, the file is read and judged by its contents.
    sparse(folder + "/at-cap.cfg", bench::PANEL_FILE_CAP);
    CHECK(bench::read_panel_text(folder + "/at-cap.cfg").size() == bench::PANEL_FILE_CAP);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST_CASE("running out of memory while reading is a one-line message naming the file") {
    const std::string folder = scratch("memory");
    const std::string path = folder + "/large.bmp";
    sparse(path, 60 * bench::MIB);
    const pid_t child = fork();
    if (child == 0) {
        // Room for the program as it stands and a little more, not for the picture.
        std::ifstream status("/proc/self/status");
        uint64_t kib = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmSize:", 0) == 0) kib = std::stoull(line.substr(7));
        rlimit limit{(kib + 16 * 1024) * 1024, (kib + 16 * 1024) * 1024};
        setrlimit(RLIMIT_AS, &limit);
        const std::string message = refusal([&] { bench::read_bmp(path); });
        _exit(message == path + ": out of memory reading the picture (62914560 bytes)" ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    CHECK(WIFEXITED(status));
    CHECK(WEXITSTATUS(status) == 0);
}
#endif

TEST_CASE("a picture named outside the panel's folder with ..\\ is found") {
    const std::string folder = scratch("outside");
    fs::create_directories(folder + "/aircraft/panel");
    const std::string bmp = bench::encode_bmp(bench::BmpImage{2, 2, std::vector<uint8_t>(12, 0x40)}, 24);
    write(folder + "/aircraft/Shared.bmp", bmp);
    write(folder + "/aircraft/panel/panel.cfg", "[Window00]\nfile=..\\shared.bmp\nsize_mm=10,10\n");
    bench::PanelConfig config = bench::read_panel_config(folder + "/aircraft/panel/panel.cfg");
    CHECK(config.background_problem.empty());
    REQUIRE(config.background_picture);
    CHECK(config.background_picture->width == 2);
}

TEST_CASE("quoted text in a message is cut at 80 characters") {
    const std::string long_line(1 << 20, 'x');
    const std::string panel =
        refusal([&] { bench::parse_panel_config("[Window00]\nsize_mm=10,10\ngauge00=vmq_Tavok22ap!" + long_line + ", 0, 0\n", "long.cfg"); });
    CHECK(one_line(panel));
    CHECK(panel.starts_with("long.cfg:3: unknown gauge \"" + std::string(80, 'x') + "...\""));
    const std::string script = refusal([&] { bench::parse_script("place " + long_line + "\n", "long.pbs"); });
    CHECK(one_line(script));
    CHECK(script.size() < 400);
    CHECK(script.find(std::string(80, 'x') + "...\"") != std::string::npos);
    // Short quotes, several quotes and an open one.
    CHECK(bench::cut_quoted("a \"b\" c \"d\"") == "a \"b\" c \"d\"");
    CHECK(bench::cut_quoted("open \"" + std::string(100, 'y')) == "open \"" + std::string(80, 'y') + "...");
    CHECK(bench::cut_quoted("\"" + std::string(81, 'z') + "\" and \"w\"") ==
          "\"" + std::string(80, 'z') + "...\" and \"w\"");
}

TEST_CASE("what the bench writes goes through a symlink to its target, keeping the file's mode and links") {
    const std::string folder = scratch("write");
    const std::string real = folder + "/real.cfg", link = folder + "/panel.cfg";
    write(real, "old\n");
    fs::permissions(real, fs::perms(0640));
    fs::create_symlink("real.cfg", link);
    bench::write_file_whole(link, "new\n");
    CHECK(fs::is_symlink(link));
    CHECK(contents(real) == "new\n");
    CHECK(fs::status(real).permissions() == fs::perms(0640));
    // Its owner too, where this user may give a file away.
    if (geteuid() == 0 && chown(real.c_str(), 4321, 4321) == 0) {
        bench::write_file_whole(link, "owned\n");
        struct stat owned {};
        REQUIRE(stat(real.c_str(), &owned) == 0);
        CHECK(owned.st_uid == 4321u);
        CHECK(owned.st_gid == 4321u);
    }
    // A hard link sees the new bytes too.
    const std::string other = folder + "/other-name.cfg";
    fs::create_hard_link(real, other);
    bench::write_file_whole(real, "newer\n");
    CHECK(contents(other) == "newer\n");
    CHECK(fs::hard_link_count(real) == 2);
    // A new file, and no temporary file left anywhere.
    bench::write_file_whole(folder + "/fresh.cfg", "fresh\n");
    CHECK(contents(folder + "/fresh.cfg") == "fresh\n");
    CHECK(names_in(folder) == std::vector<std::string>{"fresh.cfg", "other-name.cfg", "panel.cfg", "real.cfg"});
}

TEST_CASE("a target that is no regular file, or is read-only, is refused and left as it was") {
    const std::string folder = scratch("refused");
    const std::string fifo = folder + "/fifo.cfg";
    REQUIRE(mkfifo(fifo.c_str(), 0600) == 0);
    CHECK(refusal([&] { bench::write_file_whole(fifo, "x\n"); }) ==
          fifo + ": not written: it is a FIFO, not a regular file");
    CHECK(fs::is_fifo(fifo));
    // Through a symlink onto a device: the device stays a device.
    fs::create_symlink("/dev/null", folder + "/null.cfg");
    CHECK(refusal([&] { bench::write_file_whole(folder + "/null.cfg", "x\n"); }) ==
          folder + "/null.cfg: not written: it is a device, not a regular file");
    CHECK(fs::is_character_file("/dev/null"));
    CHECK(fs::is_symlink(folder + "/null.cfg"));
    CHECK(refusal([&] { bench::write_file_whole(folder, "x\n"); }) == folder + ": not written: it is a folder");

    const std::string locked = folder + "/locked.cfg";
    write(locked, "kept\n");
    fs::permissions(locked, fs::perms(0444));
    CHECK(refusal([&] { bench::write_file_whole(locked, "x\n"); }) == locked + ": not written: it is read-only");
    CHECK(contents(locked) == "kept\n");
    CHECK(names_in(folder) == std::vector<std::string>{"fifo.cfg", "locked.cfg", "null.cfg"});
}

TEST_CASE("a full disk or a read-only folder leaves the target as it was") {
    const std::string folder = scratch("small");
    const std::string target = folder + "/panel.cfg";
    auto prepare = [&] {
        write(target, "kept\n");
        return contents(target) == "kept\n" ? 0 : 10;
    };
    SUBCASE("a full disk") {
        const int held = on_small_file_system(folder, 0, prepare, [&] {
            const std::string message = refusal([&] { bench::write_file_whole(target, std::string(256 * 1024, 'x')); });
            if (message != target + ": not written: the disk is full") return 1;
            if (contents(target) != "kept\n") return 2;
            return names_in(folder) == std::vector<std::string>{"panel.cfg"} ? 0 : 3;
        });
        if (held < 0) MESSAGE("no mount namespace here: the full disk is not tried");
        CHECK(held <= 0);
    }
    SUBCASE("a read-only folder") {
        const int held = on_small_file_system(folder, MS_RDONLY, prepare, [&] {
            if (refusal([&] { bench::write_file_whole(target, "x\n"); }) !=
                target + ": not written: it is on a read-only file system")
                return 1;
            if (refusal([&] { bench::write_file_whole(folder + "/new.cfg", "x\n"); }) !=
                folder + "/new.cfg: not written: it is on a read-only file system")
                return 2;
            return contents(target) == "kept\n" ? 0 : 3;
        });
        if (held < 0) MESSAGE("no mount namespace here: the read-only folder is not tried");
        CHECK(held <= 0);
    }
}
