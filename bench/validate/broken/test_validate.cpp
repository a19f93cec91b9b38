// The validator run as the people who ship a gauge file run it: on the real
// module (it passes), on a module with planted faults (each fault named on a
// line of its own), on bitmaps that are wrong, on a module that crashes, on
// bad command lines, a module that never returns, the gauge file's own
// headers, and the hand-over of a Windows gauge file to Wine.
#include "tests/main/main.h"

#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Paths {
    std::string panelbench, module, bitmaps, broken, broken_crash, planted, scratch;
} paths;

struct Outcome {
    int status = -1;
    std::string output;
    bool has(const std::string& text) const { return output.find(text) != std::string::npos; }
    // A line holding every one of the pieces.
    bool has_line(std::initializer_list<std::string> pieces) const {
        size_t start = 0;
        while (start < output.size()) {
            size_t end = output.find('\n', start);
            if (end == std::string::npos) end = output.size();
            std::string line = output.substr(start, end - start);
            bool all = true;
            for (const std::string& piece : pieces) all = all && line.find(piece) != std::string::npos;
            if (all) return true;
            start = end + 1;
        }
        return false;
    }
};

std::string quote(const std::string& word) { return "'" + word + "'"; }

Outcome validate(const std::vector<std::string>& args) {
    std::string command = quote(paths.panelbench) + " validate";
    for (const std::string& arg : args) command += " " + quote(arg);
    command += " 2>&1";
    Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    REQUIRE(pipe);
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) outcome.output.append(chunk, n);
    int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// An 8-bit (or 24-bit) BMP file of the given size, plain grey.
void write_bmp(const fs::path& path, int width, int height, int bits) {
    int stride = ((width * bits / 8) + 3) & ~3;
    uint32_t colours = bits == 8 ? 256 : 0;
    uint32_t pixels_at = 14 + 40 + colours * 4;
    uint32_t size = pixels_at + uint32_t(stride * height);
    std::vector<uint8_t> file(size, 0x80);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&file[at], &v, 2); };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, size);
    put32(6, 0);
    put32(10, pixels_at);
    put32(14, 40);
    put32(18, uint32_t(width));
    put32(22, uint32_t(height));
    put16(26, 1);
    put16(28, uint16_t(bits));
    put32(30, 0);
    put32(34, uint32_t(stride * height));
    put32(38, 2835);
    put32(42, 2835);
    put32(46, colours);
    put32(50, 0);
    for (uint32_t i = 0; i < colours; ++i) put32(54 + i * 4, i * 0x010101u);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

// The smallest library the gauge file's checks pass: a PE32 i386 DLL of one
// section, which holds an export directory naming ImportTable and Linkage.
std::string minimal_gauge_file() {
    std::string file(0x400, '\0');
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&file[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&file[at], &v, 4); };
    auto text = [&](size_t at, const char* t) { std::memcpy(&file[at], t, std::strlen(t) + 1); };
    file[0] = 'M';
    file[1] = 'Z';
    put32(0x3C, 0x40);
    text(0x40, "PE");
    put16(0x44, 0x14c);   // i386
    put16(0x46, 1);       // one section
    put16(0x54, 0xE0);    // the optional header with 16 directories
    put16(0x56, 0x2102);  // a 32-bit DLL
    const size_t optional = 0x58;
    put16(optional, 0x10b);
    put32(optional + 32, 0x1000);
    put32(optional + 36, 0x200);
    put32(optional + 56, 0x2000);  // image size
    put32(optional + 60, 0x200);   // headers' size
    put32(optional + 92, 16);
    put32(optional + 96, 0x1000);  // exports
    put32(optional + 100, 0x60);
    const size_t section = optional + 0xE0;
    text(section, ".edata");
    put32(section + 8, 0x100);
    put32(section + 12, 0x1000);
    put32(section + 16, 0x200);
    put32(section + 20, 0x200);
    const size_t exports = 0x200;  // image address 0x1000
    put32(exports + 12, 0x1080);
    put32(exports + 16, 1);
    put32(exports + 20, 2);
    put32(exports + 24, 2);
    put32(exports + 28, 0x1028);
    put32(exports + 32, 0x1030);
    put32(exports + 36, 0x1038);
    put32(exports + 0x28, 0x1000);
    put32(exports + 0x2C, 0x1004);
    put32(exports + 0x30, 0x1040);
    put32(exports + 0x34, 0x1050);
    put16(exports + 0x38, 0);
    put16(exports + 0x3A, 1);
    text(exports + 0x40, "ImportTable");
    text(exports + 0x50, "Linkage");
    text(exports + 0x80, "x.gau");
    return file;
}

// Whether a process is gone (or only a zombie nobody reaped).
bool gone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

}  // namespace

TEST_CASE("the module as built passes every check") {
    Outcome run = validate({paths.module, "--bitmaps", paths.bitmaps});
    INFO(run.output);
    CHECK(run.status == 0);
    CHECK(run.has("VALIDATION PASSED"));
    CHECK_FALSE(run.has("FAIL"));
    // One row per check group: four for the module, six for each of five
    // gauges, and one for each gauge's pass with working data in the
    // engine's words.
    CHECK(run.has("39 checks: 39 passed, 0 failed"));
    for (const char* gauge : {"altpreselector", "vcaltpreselector", "altpreselectornosnd", "autopilot", "annunciator"}) {
        CAPTURE(gauge);
        CHECK(run.has_line({gauge, "header", "PASS  64 words: the fields, then zeros"}));
        CHECK(run.has_line({gauge, "working", "PASS", "calls, the same results with working data in the engine's words"}));
    }
    CHECK(run.has_line({"(module)", "sharing", "PASS", "none inside a header's 64 words"}));
}

TEST_CASE("a module with planted faults fails, with a line naming gauge, record and rule for each") {
    Outcome run = validate({paths.broken, "--bitmaps", paths.bitmaps});
    INFO(run.output);
    CHECK(run.status == 1);
    CHECK(run.has("VALIDATION FAILED"));

    SUBCASE("the other gauges still pass") {
        for (const char* gauge : {"altpreselector", "vcaltpreselector", "altpreselectornosnd", "annunciator"})
            for (const char* check : {"header", "tree", "mouse", "bitmaps", "callbacks", "clicks"}) {
                CAPTURE(gauge);
                CAPTURE(check);
                CHECK_FALSE(run.has_line({"FAIL", gauge, check}));
            }
    }
    SUBCASE("header and tree") {
        CHECK(run.has_line({"FAIL autopilot header:", "horizontal size 400 mm", "500 mm"}));
        // A header of 32 words with its mouse list right behind it: the list
        // fills words 32 on of the 64.
        CHECK(run.has_line({"FAIL autopilot header:", "header words 32, ", "are not 0", "a header is 64 words"}));
        CHECK(run.has_line({"FAIL (module) sharing:", "the mouse list of \"autopilot\" lies inside the header of "
                                                      "\"autopilot\"", "64 words"}));
        CHECK(run.has_line({"FAIL autopilot tree:", "child 2 (icon, bitmap 4099", "image count 2"}));
        CHECK(run.has_line({"FAIL autopilot tree:", "child 3 (icon, bitmap 4102", "another gauge's header"}));
        CHECK(run.has_line({"FAIL autopilot tree:", "child 4 (icon, bitmap 4105", "draw flags 0x5"}));
        CHECK(run.has_line({"FAIL autopilot tree:", "child 5 (icon, bitmap 4100", "not one of the gauge's legend bitmaps"}));
        CHECK(run.has_line({"FAIL autopilot tree:", "failure list record 2 is 22/3"}));
        CHECK(run.has_line({"FAIL autopilot tree:", "child 9 (string", "font name \"COURIER\""}));
        CHECK(run.has_line({"FAIL autopilot tree:", "child 9 (string", "second or third source variable"}));
    }
    SUBCASE("mouse list") {
        CHECK(run.has_line({"FAIL autopilot mouse:", "mouse record 3 (child at 91,77", "both key event 65729"}));
        CHECK(run.has_line({"FAIL autopilot mouse:", "mouse record 4 (child at 157,77", "neither a key event nor a handler"}));
        CHECK(run.has_line({"FAIL autopilot mouse:", "mouse record 4", "mouse record 5 (child at 190,77", "overlap"}));
        CHECK(run.has_line({"FAIL autopilot mouse:", "mouse record 6", "key event 70000 is not one of the module's"}));
        CHECK(run.has_line({"FAIL autopilot mouse:", "mouse record 10 (child at 480,100", "outside the 500x119 face"}));
        CHECK(run.has_line({"FAIL autopilot mouse:", "mouse record 11 (end parent)", "carries an action"}));
        // The sound areas are not named.
        CHECK_FALSE(run.has_line({"FAIL autopilot mouse:", "mouse record 2 "}));
        CHECK_FALSE(run.has_line({"FAIL autopilot mouse:", "mouse record 7 "}));
    }
    SUBCASE("bitmaps") {
        CHECK(run.has_line({"FAIL autopilot bitmaps:", "child 5: bitmap 4100 is not one of the module's 31 bitmaps"}));
    }
    SUBCASE("callbacks under hostile values") {
        CHECK(run.has_line({"FAIL autopilot callbacks:", "child 1 (icon, bitmap 4118)", "answers -0.5", "at 1"}));
        CHECK(run.has_line({"FAIL autopilot callbacks:", "child 7 (string)", "not NUL-terminated inside the 32-byte buffer"}));
        CHECK(run.has_line({"FAIL autopilot callbacks:", "child 8 (string)", "wrote past the 32-byte text buffer"}));
        CHECK(run.has_line({"FAIL autopilot callbacks:", "child 9 (string)", "longer than its character count 2"}));
        // The real read-out copes with every value.
        CHECK_FALSE(run.has_line({"FAIL autopilot callbacks:", "child 6 "}));
    }
    SUBCASE("no working data is written into records that failed their checks") {
        CHECK(run.has("note: the pass with the engine's working data in its words is left out"));
        CHECK_FALSE(run.has(" working    PASS"));
        CHECK_FALSE(run.has(" working    FAIL"));
    }
    SUBCASE("clicks") {
        CHECK(run.has_line({"FAIL autopilot clicks:", "mouse record 5", "sent key event 12345", "not one of the module's key events"}));
        CHECK(run.has_line({"FAIL autopilot clicks:", "mouse record 8", "66115 (evt_vertical_engage_a) without 66103"}));
        CHECK(run.has_line({"FAIL autopilot clicks:", "mouse record 8", "returns 1; a mouse handler returns 0"}));
    }
}

TEST_CASE("a module that calls a PANELS word outside its nine services fails, naming the word and the caller") {
    SUBCASE("word 30, from a lamp callback") {
        Outcome run = validate({paths.planted + "/planted_word30.so", "--bitmaps", paths.bitmaps});
        INFO(run.output);
        CHECK(run.status == 1);
        CHECK(run.has_line({"FAIL annunciator callbacks:",
                            "the module called PANELS word 30 (element_list_erase) during child 1 (icon, bitmap 4611) "
                            "callback"}));
        CHECK(run.has("VALIDATION FAILED"));
        // Told once per word and callback, not once per hostile value; the
        // checks of the other gauges still pass.
        CHECK(run.output.find("child 1 (icon, bitmap 4611) callback") ==
              run.output.rfind("child 1 (icon, bitmap 4611) callback"));
        CHECK_FALSE(run.has_line({"FAIL", "autopilot"}));
    }
    SUBCASE("word 8, from a handler") {
        Outcome run = validate({paths.planted + "/planted_word8.so", "--bitmaps", paths.bitmaps});
        INFO(run.output);
        CHECK(run.status == 1);
        CHECK(run.has_line({"FAIL autopilot clicks:", "the module called PANELS word 8 (another engine service)",
                            "during the handler of mouse record", "(child at 4"}));
        CHECK_FALSE(run.has_line({"FAIL annunciator"}));
        CHECK_FALSE(run.has_line({"FAIL", "autopilot callbacks"}));
    }
}

TEST_CASE("a module that reads a word of the engine's fails in the pass with working data in those words") {
    // Its annunciator lamps show while word 40 of their header is not 0: with
    // the words 0 it behaves as the real module, so only that pass sees it.
    Outcome run = validate({paths.planted + "/planted_header40.so", "--bitmaps", paths.bitmaps});
    INFO(run.output);
    CHECK(run.status == 1);
    CHECK(run.has_line({"annunciator", "callbacks", "PASS"}));
    CHECK(run.has_line({"annunciator", "clicks", "PASS"}));
    CHECK(run.has_line({"FAIL annunciator working:", "child 1 (icon, bitmap 4611) callback",
                        "gives another result with the engine's working data in its words: answers 0/",
                        "with those words 0: answers", "the module never reads the engine's words"}));
    CHECK(run.has_line({"FAIL annunciator working:", "more calls of", "gave another result"}));
    CHECK(run.has("38 passed, 1 failed"));
}

TEST_CASE("bitmaps that do not resolve or have the wrong depth or size are named") {
    fs::path folder = fs::path(paths.scratch) / "bitmaps";
    fs::remove_all(folder);
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(paths.bitmaps))
        if (entry.path().extension() == ".bmp") fs::copy_file(entry.path(), folder / entry.path().filename());
    write_bmp(folder / "4611.bmp", 19, 8, 8);     // annunciator HDG legend: 20x8
    write_bmp(folder / "4614.bmp", 20, 8, 24);    // NAV legend at 24 bits per pixel
    fs::remove(folder / "4617.bmp");              // APR legend missing
    write_bmp(folder / "5120.bmp", 213, 101, 8);  // preselector face: 213x100

    Outcome run = validate({paths.module, "--bitmaps", folder.string()});
    INFO(run.output);
    CHECK(run.status == 1);
    CHECK(run.has_line({"FAIL annunciator bitmaps:", "bitmap 4611 is 19x8; it must be 20x8"}));
    CHECK(run.has_line({"FAIL annunciator bitmaps:", "bitmap 4614 has 24 bits per pixel; every bitmap has 8"}));
    CHECK(run.has_line({"FAIL annunciator bitmaps:", "bitmap 4617 does not resolve"}));
    for (const char* gauge : {"altpreselector", "vcaltpreselector", "altpreselectornosnd"})
        CHECK(run.has_line({"FAIL", gauge, "bitmaps:", "face: bitmap 5120 is 213x101; it must be 213x100"}));
    CHECK_FALSE(run.has_line({"FAIL autopilot"}));
}

TEST_CASE("a module that crashes under hostile values leaves a line naming the call") {
    Outcome run = validate({paths.broken_crash, "--bitmaps", paths.bitmaps});
    INFO(run.output);
    CHECK(run.status == 1);
    CHECK(run.has_line({"FAIL autopilot clicks:", "the handler of mouse record 9 (child at 416,74)",
                        "with every token at NaN", "the module crashed (SIGSEGV)"}));
    CHECK(run.has("VALIDATION FAILED"));
    // The rows before the crash were printed, the crashed gauge's own among them.
    CHECK_FALSE(run.has("annunciator "));
    CHECK(run.has_line({"altpreselectornosnd", "clicks", "PASS"}));
    CHECK(run.has_line({"autopilot", "callbacks", "FAIL"}));
}

TEST_CASE("a call into the module that does not return fails within the time limit, naming the call") {
    // The start routine, and the library entry the loader runs.
    for (const char* planted : {"planted_loop.so", "planted_loopentry.so"}) {
        CAPTURE(planted);
        const auto start = std::chrono::steady_clock::now();
        Outcome run = validate({paths.planted + "/" + planted, "--bitmaps", paths.bitmaps, "--time-limit", "1"});
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        INFO(run.output);
        CHECK(run.status == 1);
        CHECK(run.has_line({"FAIL (module) load: loading the module and calling its start routine",
                            "the call did not return within 1 s"}));
        CHECK(run.has("VALIDATION FAILED: a call into the module did not return"));
        CHECK(seconds < 10);
    }
}

TEST_CASE("the gauge file's own headers are checked before it is handed to Wine") {
    // No Wine is started for a file that fails them: PANELBENCH_WINE names
    // none, and the row says what is wrong.
    fs::create_directories(paths.scratch);
    setenv("PANELBENCH_WINE", (paths.scratch + "/no-wine-here").c_str(), 1);
    auto check = [&](const std::string& name, const std::string& bytes) {
        const std::string path = paths.scratch + "/" + name + ".gau";
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return validate({path});
    };
    const std::string good = minimal_gauge_file();
    // The sound file passes them and goes on to the Windows validator, which
    // is not there.
    Outcome sound = check("sound", good);
    INFO(sound.output);
    CHECK(sound.status == 2);
    CHECK_FALSE(sound.has("FAIL"));

    SUBCASE("a file cut short by one byte") {
        Outcome run = check("short", good.substr(0, good.size() - 1));
        INFO(run.output);
        CHECK(run.status == 1);
        CHECK(run.has_line({"FAIL (module) file:", "section 1 (\".edata\")", "past the end of the 1023-byte file"}));
        CHECK(run.has_line({"FAIL (module) file:", "its headers account for 1024 bytes; the file is cut short at 1023"}));
        CHECK(run.has("VALIDATION FAILED"));
        CHECK_FALSE(run.has("win32/validate.exe"));
    }
    SUBCASE("a file longer than its headers say") {
        Outcome run = check("long", good + "x");
        CHECK(run.has_line({"FAIL (module) file:", "the file is 1025 bytes, 1 more than its headers account for"}));
    }
    SUBCASE("another machine, a program, not PE32") {
        std::string amd64 = good;
        amd64[0x44] = char(0x64);
        amd64[0x45] = char(0x86);
        amd64[0x56] = 0x02;
        amd64[0x57] = 0x01;
        Outcome run = check("amd64", amd64);
        CHECK(run.has_line({"FAIL (module) file:", "its machine is 0x8664; a gauge file is built for i386 (0x14c)"}));
        CHECK(run.has_line({"FAIL (module) file:", "it is a program, not a library (DLL)"}));
        std::string pe32plus = good;
        pe32plus[0x59] = 0x02;
        CHECK(check("pe32plus", pe32plus).has_line({"FAIL (module) file:", "not PE32 (0x10b)"}));
    }
    SUBCASE("headers outside the file") {
        std::string far = good;
        far[0x3D] = 0x7F;  // the PE header at 0x7f40
        CHECK(check("far", far).has_line({"FAIL (module) file:", "its PE header (at 0x7f40) lies past the end"}));
        std::string sections = good;
        sections[0x46] = 90;  // 90 sections: their table runs past the file's end
        CHECK(check("sections", sections).has_line({"FAIL (module) file:", "its section table (90 sections", "past the end"}));
        CHECK(check("tiny", "MZ").has_line({"FAIL (module) file:", "does not begin with a DOS header"}));
    }
    SUBCASE("the two exports") {
        std::string renamed = good;
        renamed[0x250] = 'l';  // "linkage"
        Outcome run = check("renamed", renamed);
        CHECK(run.has_line({"FAIL (module) file:", "it does not export Linkage"}));
        CHECK_FALSE(run.has("export ImportTable;"));
        std::string none = good;
        none[0x58 + 96] = 0;
        none[0x58 + 97] = 0;
        none[0x58 + 100] = 0;
        CHECK(check("none", none).has_line({"FAIL (module) file:", "it exports nothing"}));
        std::string names_away = good;
        names_away[0x200 + 34] = 0x7F;  // the names' table at 0x7f1030
        CHECK(check("names", names_away).has_line({"FAIL (module) file:", "table of exported names lies outside"}));
    }
    unsetenv("PANELBENCH_WINE");
}

TEST_CASE("bad command lines are refused with a reason") {
    Outcome none = validate({});
    CHECK(none.status == 2);
    CHECK(none.has("no module file named"));

    Outcome missing = validate({paths.scratch + "/no-such-module.so"});
    CHECK(missing.status == 2);
    CHECK(missing.has("cannot open module file"));
    CHECK(missing.has("no-such-module.so"));

    Outcome unknown = validate({paths.module, "--colour"});
    CHECK(unknown.status == 2);
    CHECK(unknown.has("unknown option '--colour'"));

    Outcome two = validate({paths.module, paths.broken});
    CHECK(two.status == 2);

    for (const char* limit : {"0", "-1", "1.5", "x", "3601"}) {
        CAPTURE(limit);
        Outcome bad_limit = validate({paths.module, "--time-limit", limit});
        CHECK(bad_limit.status == 2);
        CHECK(bad_limit.has("--time-limit takes whole seconds from 1 to 3600"));
    }

    // Only a regular file is opened: a FIFO would hang the loader.
    fs::create_directories(paths.scratch);
    const std::string fifo = paths.scratch + "/module-fifo.so";
    fs::remove(fifo);
    REQUIRE(mkfifo(fifo.c_str(), 0600) == 0);
    Outcome from_fifo = validate({fifo});
    CHECK(from_fifo.status == 2);
    CHECK(from_fifo.has_line({"cannot open module file", "module-fifo.so", "it is a FIFO, not a regular file"}));
    Outcome from_folder = validate({paths.scratch});
    CHECK(from_folder.has_line({"cannot open module file", "it is a folder"}));

    // A file that is no module at all: the load row fails, nothing else runs.
    fs::create_directories(paths.scratch);
    std::string junk = paths.scratch + "/junk.so";
    std::ofstream(junk) << "not a library";
    Outcome bad = validate({junk});
    INFO(bad.output);
    CHECK(bad.status == 1);
    CHECK(bad.has_line({"FAIL (module) load:", "cannot load module file", "junk.so"}));
    CHECK(bad.has("1 checks: 0 passed, 1 failed"));
}

TEST_CASE("a Windows gauge file is handed to the Windows validator under Wine") {
    // A stand-in for Wine that notes what it was asked to run and answers
    // with the status it is told to; the real run is the Windows build's test.
    fs::path dist = fs::path(paths.scratch) / "handover";
    fs::remove_all(dist);
    fs::create_directories(dist / "win32");
    fs::path gauge_file = dist / "some gauge.gau";
    const std::string library = minimal_gauge_file();
    std::ofstream(gauge_file, std::ios::binary).write(library.data(), std::streamsize(library.size()));
    std::ofstream(dist / "win32" / "validate.exe") << "MZ";
    fs::path fake_wine = dist / "fake-wine";
    std::ofstream(fake_wine) << "#!/bin/sh\n"
                                "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/asked\"\n"
                                "echo \"WINEDEBUG=$WINEDEBUG\" >> \"$(dirname \"$0\")/asked\"\n"
                                "echo 'validating it'\n"
                                "echo 'the Windows validator speaks'\n"
                                "case ${FAKE_WINE_STATUS:-0} in\n"
                                "  0) echo 'VALIDATION PASSED' ;;\n"
                                "  1) echo 'VALIDATION FAILED' ;;\n"
                                "  hang) sleep 300 & echo $! > \"$(dirname \"$0\")/pids\"; echo $$ >> \"$(dirname \"$0\")/pids\"; wait ;;\n"
                                "esac\n"
                                "exit ${FAKE_WINE_STATUS:-0}\n";
    fs::permissions(fake_wine, fs::perms::owner_all);
    setenv("PANELBENCH_WINE", fake_wine.c_str(), 1);
    unsetenv("PANELBENCH_WIN32_VALIDATOR");
    unsetenv("WINEDEBUG");

    SUBCASE("the validator beside the gauge file runs it, by its Windows path") {
        setenv("FAKE_WINE_STATUS", "0", 1);
        Outcome run = validate({gauge_file.string()});
        INFO(run.output);
        CHECK(run.status == 0);
        CHECK(run.has("the Windows validator speaks"));
        std::ifstream asked_file(dist / "asked");
        std::string program, module, debug;
        std::string limit_option, limit;
        std::getline(asked_file, program);
        std::getline(asked_file, module);
        std::getline(asked_file, limit_option);
        std::getline(asked_file, limit);
        std::getline(asked_file, debug);
        CHECK(program == fs::canonical(dist / "win32" / "validate.exe").string());
        CHECK(module == "Z:" + fs::canonical(gauge_file).string());
        CHECK(limit_option == "--time-limit");
        CHECK(limit == "5");
        CHECK(debug == "WINEDEBUG=-all");
    }
    SUBCASE("its failure is the program's failure") {
        setenv("FAKE_WINE_STATUS", "1", 1);
        CHECK(validate({gauge_file.string()}).status == 1);
    }
    SUBCASE("an end without a verdict is a failure naming the last step") {
        setenv("FAKE_WINE_STATUS", "255", 1);
        Outcome run = validate({gauge_file.string(), "--time-limit", "7"});
        INFO(run.output);
        CHECK(run.status == 1);
        CHECK(run.has_line({"FAIL (module) run: the Windows validator ended with status 255 without a verdict",
                            "its last step: \"the Windows validator speaks\""}));
        CHECK(run.has("VALIDATION FAILED"));
        std::ifstream asked_file(dist / "asked");
        std::string line, all;
        while (std::getline(asked_file, line)) all += line + "\n";
        CHECK(all.find("--time-limit\n7\n") != std::string::npos);
    }
    SUBCASE("one that ends at once without a word is a failure too") {
        setenv("PANELBENCH_WINE", "/bin/true", 1);
        Outcome run = validate({gauge_file.string()});
        INFO(run.output);
        CHECK(run.status == 1);
        CHECK(run.has_line({"FAIL (module) run: the Windows validator ended with status 0 without a verdict",
                            "it printed nothing"}));
    }
    SUBCASE("none of its processes outlives the program, even killed outright") {
        setenv("FAKE_WINE_STATUS", "hang", 1);
        fs::remove(dist / "pids");
        const pid_t bench = fork();
        REQUIRE(bench >= 0);
        if (bench == 0) {
            int nothing = open("/dev/null", O_WRONLY);
            dup2(nothing, STDOUT_FILENO);
            execl(paths.panelbench.c_str(), paths.panelbench.c_str(), "validate", gauge_file.c_str(), nullptr);
            _exit(127);
        }
        std::vector<pid_t> pids;
        for (int wait = 0; wait < 100 && pids.size() < 2; ++wait) {
            usleep(50 * 1000);
            pids.clear();
            std::ifstream listed(dist / "pids");
            for (pid_t pid; listed >> pid;) pids.push_back(pid);
        }
        REQUIRE(pids.size() == 2);
        kill(bench, SIGKILL);
        waitpid(bench, nullptr, 0);
        bool all_gone = false;
        for (int wait = 0; wait < 100 && !all_gone; ++wait) {
            usleep(50 * 1000);
            all_gone = gone(pids[0]) && gone(pids[1]);
        }
        CHECK(all_gone);
        for (pid_t pid : pids) kill(pid, SIGKILL);
    }
    SUBCASE("without a Windows validator it says what to build") {
        setenv("PANELBENCH_WIN32_VALIDATOR", (dist / "nowhere.exe").c_str(), 1);
        Outcome run = validate({gauge_file.string()});
        CHECK(run.status == 2);
        CHECK(run.has("no win32/validate.exe was found"));
        CHECK_FALSE(run.has("the Windows validator speaks"));
        unsetenv("PANELBENCH_WIN32_VALIDATOR");
    }
    SUBCASE("without Wine it says so") {
        setenv("PANELBENCH_WINE", (dist / "no-wine-here").c_str(), 1);
        Outcome run = validate({gauge_file.string()});
        CHECK(run.status == 2);
        CHECK(run.has("cannot run"));
    }
    unsetenv("PANELBENCH_WINE");
    unsetenv("FAKE_WINE_STATUS");
}

const test::Options options{
    {"--panelbench", "PATH", &paths.panelbench, true}, {"--module", "PATH", &paths.module, true},
    {"--bitmaps", "DIR", &paths.bitmaps},              {"--broken", "PATH", &paths.broken, true},
    {"--broken-crash", "PATH", &paths.broken_crash},   {"--planted", "DIR", &paths.planted, true},
    {"--scratch", "DIR", &paths.scratch, true},
};
