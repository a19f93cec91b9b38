// The validator run as the people who ship a gauge file run it: on the real
// module (it passes), on a module with planted faults (each fault named on a
// line of its own), on bitmaps that are wrong, on a module that crashes, on
// bad command lines, and the hand-over of a Windows gauge file to Wine.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include <sys/wait.h>

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
    std::ofstream(gauge_file) << "MZ and the rest of a Windows library";
    std::ofstream(dist / "win32" / "validate.exe") << "MZ";
    fs::path fake_wine = dist / "fake-wine";
    std::ofstream(fake_wine) << "#!/bin/sh\n"
                                "printf '%s\\n' \"$@\" > \"$(dirname \"$0\")/asked\"\n"
                                "echo \"WINEDEBUG=$WINEDEBUG\" >> \"$(dirname \"$0\")/asked\"\n"
                                "echo 'the Windows validator speaks'\n"
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
        std::getline(asked_file, program);
        std::getline(asked_file, module);
        std::getline(asked_file, debug);
        CHECK(program == fs::canonical(dist / "win32" / "validate.exe").string());
        CHECK(module == "Z:" + fs::canonical(gauge_file).string());
        CHECK(debug == "WINEDEBUG=-all");
    }
    SUBCASE("its failure is the program's failure") {
        setenv("FAKE_WINE_STATUS", "1", 1);
        CHECK(validate({gauge_file.string()}).status == 1);
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

int main(int argc, char** argv) {
    std::vector<char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        auto take = [&](const char* flag, std::string& into) {
            if (std::strcmp(argv[i], flag) != 0 || i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (!take("--panelbench", paths.panelbench) && !take("--module", paths.module) &&
            !take("--bitmaps", paths.bitmaps) && !take("--broken", paths.broken) &&
            !take("--broken-crash", paths.broken_crash) && !take("--planted", paths.planted) &&
            !take("--scratch", paths.scratch))
            rest.push_back(argv[i]);
    }
    if (paths.panelbench.empty() || paths.module.empty() || paths.broken.empty() || paths.planted.empty() ||
        paths.scratch.empty()) {
        std::fprintf(stderr,
                     "usage: %s --panelbench PATH --module PATH --bitmaps DIR --broken PATH --broken-crash PATH "
                     "--planted DIR --scratch DIR [doctest options]\n",
                     argv[0]);
        return 2;
    }
    doctest::Context context(int(rest.size()), rest.data());
    return context.run();
}
