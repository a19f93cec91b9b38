#include "bench/validate/validate.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "bench/common/command_line.h"
#include "bench/common/file_read.h"
#include "bench/validate/validate_checks.h"
#include "soundlib/file_name.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace validate {

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: panelbench validate MODULE_FILE [--bitmaps DIR] [--sound FILE] [--time-limit SECONDS]\n"
                 "       (win32/validate.exe takes the same arguments)\n"
                 "  MODULE_FILE  the gauge file (a .gau is checked by win32/validate.exe under Wine) or the native module (.so)\n"
                 "  --bitmaps    folder of the native module's bitmaps (default: 'bitmaps' beside the module)\n"
                 "  --sound      the stand-in sound library (default: the one this program carries, else beside the module, then beside this program)\n"
                 "  --time-limit how long each call into the module may take before the file fails (default 5 s)\n"
                 "exit status: 0 every check passed, 1 a check failed or the module crashed, 2 bad arguments\n");
}


// The stand-in sound library to install: the one named, else the one this
// program carries (before any file: beside a gauge file where it is
// installed may lie the simulator's own library), else the one beside the
// module, else the one beside this program or in its native/ folder (the
// layout of dist/); empty when there is none, in which case the module runs
// with its chime silent.
std::string find_sound(const Options& options) {
    if (!options.sound_library.empty()) return options.sound_library;
    if (panelhost::is_static_library(SOUND_FILE)) return SOUND_FILE;
    for (const std::string& folder :
         {panelhost::folder_of(options.module_path), panelhost::program_folder(), panelhost::program_folder() + "/native"}) {
        std::string candidate = folder + "/" + SOUND_FILE;
        if (bench::not_regular_file(candidate).empty()) return candidate;
    }
    return "";
}

// Loads the module through a host; null, with `load` failed, when it cannot.
std::unique_ptr<panelhost::Host> load_module(const Options& options, const panelhost::HostOptions& host_options,
                                             Group& load, const char* what) {
    std::unique_ptr<panelhost::Host> host;
    crash_context(load.gauge.c_str(), load.name.c_str(), "%s", what);
    try {
        host = std::make_unique<panelhost::Host>(options.module_path, host_options);
    } catch (const std::exception& e) {
        load.fail(e.what());
    }
    clear_crash_context();
    if (host) report_traps(*host, load);
    return host;
}

void unload(std::unique_ptr<panelhost::Host>& host) {
    crash_context("(module)", "unload", "calling the module's stop routine and unloading it");
    host.reset();
    clear_crash_context();
}

// A gauge's drive with the engine's words 0: its trace and the problems found.
struct CleanDrive {
    Trace trace;
    std::set<std::string> problems;
};

}  // namespace

// Two passes, each over a fresh load of the module. The first checks every
// record with the engine's words as the module gives them (0), then drives
// every gauge. The second repeats the drives with the host writing the
// engine's working data into the engine's words of every record before
// every call, as the engine may, and holds each against the first.
int run(const Options& options) {
    install_crash_guard(options.call_limit_seconds);
    panelhost::HostOptions host_options;
    host_options.resource_folder = options.bitmap_folder;
    host_options.sound_library = find_sound(options);
    host_options.sound = !host_options.sound_library.empty();
    if (!host_options.sound)
        std::printf("note: no stand-in sound library (%s) found; the module runs with its chime silent\n", SOUND_FILE);
    Report report(options.module_path);

    // A Windows gauge file's own headers first: a file that fails them is
    // not handed to the loader.
    if (is_windows_binary(options.module_path)) {
        Group file = check_pe_file(options.module_path);
        report.row(file);
        if (!file.passed()) return report.finish();
    }

    Group load{"(module)", "load"};
    std::unique_ptr<panelhost::Host> host =
        load_module(options, host_options, load, "loading the module and calling its start routine");
    report.row(load);
    if (!host) return report.finish();

    // The working-words pass writes into the records; it runs only on records
    // that passed their checks.
    bool records_sound = true;
    auto record_row = [&](const Group& group) {
        records_sound = records_sound && group.passed();
        report.row(group);
    };
    record_row(check_linkage(*host));
    record_row(check_gauge_table(*host));
    record_row(check_sharing(*host));

    reset_drive();
    std::map<std::string, CleanDrive> clean;
    for (GAUGEHDR* header : host->gauge_table()) {
        const GaugeFacts* facts = header->name ? facts_of(header->name) : nullptr;
        if (!facts) continue;  // reported by the gauge-table row
        record_row(check_header(*host, header, *facts));
        record_row(check_tree(header, *facts));
        record_row(check_mouse(header, *facts));
        report.row(check_bitmaps(*host, header, *facts));
        // Each row printed as soon as its drive ends, so that a crash in the
        // next leaves it on the screen.
        CleanDrive& drive = clean[facts->name];
        auto drive_row = [&](const Group& group) {
            drive.problems.insert(group.problems.begin(), group.problems.end());
            report.row(group);
        };
        drive_row(check_callbacks(*host, header, *facts, &drive.trace));
        drive_row(check_clicks(*host, header, *facts, &drive.trace));
    }
    unload(host);

    if (!records_sound) {
        std::printf("note: the pass with the engine's working data in its words is left out: it would write into "
                    "records that failed their checks\n");
        return report.finish();
    }
    host_options.scribble_working_words = true;
    Group again{"(module)", "working"};
    host = load_module(options, host_options, again,
                       "loading the module again, with working data in the engine's words");
    if (!host || !again.passed()) report.row(again);
    if (!host) return report.finish();
    reset_drive();
    for (GAUGEHDR* header : host->gauge_table()) {
        const GaugeFacts* facts = header->name ? facts_of(header->name) : nullptr;
        if (!facts) continue;
        Trace trace;
        std::vector<std::string> problems;
        Group callbacks = check_callbacks(*host, header, *facts, &trace, "working");
        problems.insert(problems.end(), callbacks.problems.begin(), callbacks.problems.end());
        Group clicks = check_clicks(*host, header, *facts, &trace, "working");
        problems.insert(problems.end(), clicks.problems.begin(), clicks.problems.end());
        report.row(check_working(*facts, clean[facts->name].trace, clean[facts->name].problems, trace, problems));
    }
    unload(host);
    return report.finish();
}

}  // namespace validate

int bench_validate(const std::vector<std::string>& args) {
    validate::Options options;
    bench::ArgumentWalk walk(args);
    // The option's value into `into`; false, said on stderr, when it has none.
    auto value = [&walk](std::string& into) {
        try {
            into = walk.value();
            return true;
        } catch (const bench::MissingValue&) {
            std::fprintf(stderr, "validate: %s needs a value\n", walk.arg().c_str());
            return false;
        }
    };
    while (walk.next()) {
        const std::string& arg = walk.arg();
        if (arg == "--help" || arg == "-h") {
            validate::usage();
            return 0;
        } else if (arg == "--bitmaps") {
            if (!value(options.bitmap_folder)) return 2;
        } else if (arg == "--sound") {
            if (!value(options.sound_library)) return 2;
        } else if (arg == "--time-limit") {
            std::string seconds;
            if (!value(seconds)) return 2;
            char* end = nullptr;
            unsigned long limit = std::strtoul(seconds.c_str(), &end, 10);
            if (seconds.empty() || *end || seconds[0] == '-' || limit < 1 || limit > 3600) {
                std::fprintf(stderr, "validate: --time-limit takes whole seconds from 1 to 3600, not '%s'\n",
                             seconds.c_str());
                return 2;
            }
            options.call_limit_seconds = unsigned(limit);
        } else if (!arg.empty() && arg[0] == '-') {
            std::fprintf(stderr, "validate: unknown option '%s'\n", arg.c_str());
            validate::usage();
            return 2;
        } else if (options.module_path.empty()) {
            options.module_path = arg;
        } else {
            std::fprintf(stderr, "validate: one module file at a time ('%s' and '%s' given)\n",
                         options.module_path.c_str(), arg.c_str());
            return 2;
        }
    }
    if (options.module_path.empty()) {
        std::fprintf(stderr, "validate: no module file named\n");
        validate::usage();
        return 2;
    }
    if (std::string why = bench::not_regular_file(options.module_path); !why.empty()) {
        std::fprintf(stderr, "validate: cannot open module file '%s': %s\n", options.module_path.c_str(), why.c_str());
        return 2;
    }
#if !defined(_WIN32)
    if (validate::is_windows_binary(options.module_path)) {
        // The file's own headers are checked here too, so that a file that
        // fails them is refused without starting Wine.
        if (validate::Group file = validate::check_pe_file(options.module_path); !file.passed()) {
            validate::Report report(options.module_path);
            report.row(file);
            return report.finish();
        }
        if (!options.bitmap_folder.empty() || !options.sound_library.empty())
            std::printf("note: --bitmaps and --sound are for the native module; a gauge file carries its "
                        "bitmaps as resources and is checked with the Windows stand-in sound library\n");
        return validate::run_under_wine(options);
    }
#endif
    return validate::run(options);
}
