// panelbench: see, click, fly and check the gauges outside the simulator.
//
//   panelbench run SCRIPT... [--panel PANEL_CFG] [--out DIR] [--scale N] [--no-snapshots] [MODULE OPTIONS]
//   panelbench render GAUGE|panel [--panel PANEL_CFG] --out FILE.png [--scale N] [--set TOKEN=VALUE]... [MODULE OPTIONS]
//   module options: --module PATH, --sound PATH (native), --bitmaps DIR
//   panelbench place PANEL_CFG --window N GAUGE X Y W [H] [--out FILE] [--module PATH]
//   panelbench validate MODULE_FILE [...]
//   panelbench serve [PANEL_CFG [--window N]] [--port N] [MODULE OPTIONS]   (native only)
//   panelbench gauges [--module PATH]   the module's gauge names, one a line
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench/common/catalogue.h"
#include "bench/common/command_line.h"
#include "bench/common/file_read.h"
#include "bench/common/message.h"
#include "bench/common/panel_config.h"
#include "bench/common/panel_writer.h"
#include "bench/common/render.h"
#include "bench/common/runner.h"
#include "bench/common/script.h"
#include "bench/validate/validate.h"
#include "host/library.h"

#if defined(_WIN32)
#include <windows.h>

#include "soundlib/linked.h"
#else
#include <unistd.h>

#include "bench/serve/serve.h"
#endif

namespace {

constexpr int USAGE = 2;

void usage(std::ostream& out) {
    out << "usage:\n"
           "  panelbench run SCRIPT... [--panel PANEL_CFG] [--out DIR] [--scale N] [--no-snapshots] [module options]\n"
           "      run scenarios, each with the module freshly loaded: print each timeline, write\n"
           "      snapshots under DIR (default out), exit 1 naming file and line when an\n"
           "      expectation fails, 2 on bad input (every script is read before any runs)\n"
           "  panelbench render GAUGE|panel [--panel PANEL_CFG] --out FILE.png [--scale N] [--set TOKEN=VALUE]...\n"
           "                   [module options]\n"
           "      draw one gauge, or all five side by side, after one panel cycle, with the tokens\n"
           "      exactly as set (by name in ft, ft/min or inHg; by number in the module's units)\n"
           "  --panel PANEL_CFG [--window N|SECTION]: the window [WindowNN] or virtual cockpit [VCockpitNN]\n"
           "      (a number: 1 is [Window01]; or a section name, any case; default: the first) of a panel\n"
           "      configuration; its gauges of this module are placed (by their gauge names, a\n"
           "      second copy as NAME-2) before the script runs, a script's own `place GAUGE` of one\n"
           "      of them takes it as it is, and `panel` pictures draw the window as laid out\n"
           "      (SCALE pixels to a window unit, at most 4096 pixels a side; other files' gauges\n"
           "      as labelled boxes, on the window's background picture). Without it, `panel` is the\n"
           "      placed gauges side by side.\n"
           "  panelbench place PANEL_CFG --window N|SECTION GAUGE X Y W [H] [--out FILE] [--module PATH]\n"
           "      move GAUGE in the section (its first line), or add it as the next gaugeNN; X and Y may be\n"
           "      negative; only that line changes (its parameter, empty fields and spacing kept);\n"
           "      written to FILE, or back into PANEL_CFG\n"
           "  module options: --module PATH (default: the module beside this program),\n"
           "      --sound PATH (the stand-in sound library; the Windows panelbench carries its own),\n"
           "      --bitmaps DIR (the native module's bitmaps)\n"
           "  panelbench validate MODULE_FILE [...]\n"
           "      check a gauge file (see `panelbench validate` for its options)\n"
           "  panelbench serve [PANEL_CFG [--window N|SECTION]] [--port N] [--paused] [module options]\n"
           "      fly the panel in a browser: serves a page on 127.0.0.1 (default port 8022, 0: any\n"
           "      free one) until Ctrl-C; without PANEL_CFG the page shows all five gauges. With it,\n"
           "      window N (default: the first) on its background; the page places gauges in the\n"
           "      file and downloads it (the file on disk is never written)\n"
           "  panelbench gauges [--module PATH]\n"
           "      print the module's gauge names, one a line, in its gauge table's order\n";
}

// The module beside this program: the native one natively, the gauge file on Windows.
std::string default_module() {
#if defined(_WIN32)
    return panelhost::program_folder() + "/vmq_Tavok22ap.gau";
#else
    return panelhost::program_folder() + "/native/vmq_Tavok22ap.so";
#endif
}

struct Arguments {
    std::vector<std::string> positional;
    bench::RunOptions run;
    std::string out;
    std::vector<std::string> sets;
    bool out_given = false;
    std::string panel_file;
    int window = bench::FIRST_WINDOW;
};

// Reads --panel's configuration, with its --window, and names in one line a
// background picture that cannot be read.
std::optional<bench::PanelConfig> read_panel(const Arguments& a) {
    if (a.panel_file.empty()) {
        if (a.window != bench::FIRST_WINDOW) throw bench::BenchError("--window chooses a window of --panel PANEL_CFG");
        return std::nullopt;
    }
    bench::PanelConfig config = bench::read_panel_config(a.panel_file, a.window);
    for (const std::string& note : bench::panel_notes(config)) std::cerr << "panelbench: " << note << "\n";
    return config;
}

// Reads the options shared by run and render; throws BenchError on a bad one.
Arguments parse_arguments(const std::vector<std::string>& args) {
    Arguments a;
    a.run.module_path = default_module();
    for (bench::ArgumentWalk walk(args); walk.next();) {
        const std::string& arg = walk.arg();
        if (arg == "--out") {
            a.out = walk.value();
            a.out_given = true;
        } else if (arg == "--module") {
            a.run.module_path = walk.value();
        } else if (arg == "--sound") {
#if defined(_WIN32)
            throw bench::BenchError("this panelbench carries its stand-in sound library; --sound is for the native one");
#else
            a.run.sound_path = walk.value();
#endif
        } else if (arg == "--bitmaps") {
            a.run.bitmap_folder = walk.value();
        } else if (arg == "--scale") {
            const std::string& text = walk.value();
            char* end = nullptr;
            long scale = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end || scale < 1 || scale > 8)
                throw bench::BenchError("--scale takes a whole number from 1 to 8");
            a.run.scale = int(scale);
        } else if (arg == "--no-snapshots") {
            a.run.snapshots = false;
        } else if (arg == "--set") {
            a.sets.push_back(walk.value());
        } else if (arg == "--panel") {
            a.panel_file = walk.value();
        } else if (arg == "--window") {
            a.window = bench::window_choice(walk.value());
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw bench::BenchError("unknown option " + arg);
        } else {
            a.positional.push_back(arg);
        }
    }
    // Gauge names in scripts and configurations are the module's own.
    bench::read_gauges(a.run.module_path);
    a.run.panel = read_panel(a);
    return a;
}

// One name a line, for scripts that need the list.
int command_gauges(const std::vector<std::string>& args) {
    std::string module = default_module();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--module" && i + 1 < args.size())
            module = args[++i];
        else
            throw bench::BenchError("gauges takes only --module PATH");
    }
    bench::read_gauges(module);
    for (const std::string& name : bench::gauge_names()) std::cout << name << "\n";
    return 0;
}

// Several scripts run one after the other, each with the module freshly
// loaded; all are read first, so a malformed one refuses the run before
// anything runs. The result is the worst of theirs.
int command_run(const std::vector<std::string>& args) {
    Arguments a = parse_arguments(args);
    if (a.positional.empty()) throw bench::BenchError("run takes a script file");
    if (!a.sets.empty()) throw bench::BenchError("--set belongs to render; a script sets tokens with `set`");
    if (a.out_given) a.run.out_dir = a.out;
    std::vector<bench::Script> scripts;
    for (const std::string& file : a.positional)
        scripts.push_back(bench::load_script(file, a.run.panel ? &*a.run.panel : nullptr));
    if (a.run.snapshots && !bench::rendering_available()) {
        for (const bench::Script& script : scripts)
            for (const bench::Command& c : script.commands)
                if (c.op == bench::Op::Snapshot)
                    throw bench::BenchError(
                        script.file + ":" + std::to_string(c.line) +
                        ": this build draws no pictures; run with --no-snapshots to pass snapshots over");
    }
    int worst = bench::RUN_PASSED;
    for (const bench::Script& script : scripts) {
        if (scripts.size() > 1) std::cout << "==== " << script.file << "\n";
        worst = std::max(worst, bench::run_script(script, a.run, std::cout, std::cerr));
    }
    return worst;
}

// Render is a scenario of its own: place, set, one cycle, one snapshot.
int command_render(const std::vector<std::string>& args) {
    Arguments a = parse_arguments(args);
    if (a.positional.size() != 1) throw bench::BenchError("render takes one gauge name or `panel`");
    if (!a.out_given) throw bench::BenchError("render needs --out FILE.png");
    if (!bench::rendering_available())
        throw bench::BenchError("this build draws no pictures; use the native panelbench");
    const std::string& what = a.positional[0];
    std::ostringstream text;
    if (a.run.panel) {
        if (what != "panel")
            throw bench::BenchError("--panel lays out a whole window: use `render panel --panel " +
                                    a.run.panel->source + "`");
    } else if (what == "panel") {
        for (const std::string& name : bench::gauge_names()) text << "place " << name << "\n";
    } else if (bench::instrument_of(what)) {
        text << "place " << what << "\n";
    } else {
        throw bench::BenchError("unknown gauge \"" + what + "\" (gauges: " + bench::join(bench::gauge_names()) +
                                ", or panel)");
    }
    // Each --set becomes a script's `set` under the name as given, so a
    // token named by name takes the unit a person reads (ft, ft/min, inHg).
    for (const std::string& set : a.sets) {
        size_t equals = set.find('=');
        const std::string name = set.substr(0, equals);
        std::optional<uint32_t> token = bench::find_token(name);
        char* end = nullptr;
        std::string value = equals == std::string::npos ? "" : set.substr(equals + 1);
        std::strtod(value.c_str(), &end);
        if (!token || value.empty() || *end || std::isspace(static_cast<unsigned char>(value[0])))
            throw bench::BenchError("--set takes TOKEN=VALUE with a token the module reads (" + bench::token_list() +
                                    ")");
        text << "set " << name << " " << value << "\n";
    }
    const std::string folder = panelhost::folder_of(a.out);
    std::string file = a.out.substr(a.out.find_last_of('/') == std::string::npos ? 0 : a.out.find_last_of('/') + 1);
    text << "cycles 1\nsnapshot \"" << file << "\" " << what << "\n";
    bench::Script script = bench::parse_script(text.str(), "render", a.run.panel ? &*a.run.panel : nullptr);
    a.run.out_dir = folder;
    a.run.fly = false;  // the picture shows the tokens as set, not where a flight took them
    std::ostringstream timeline;
    int result = bench::run_script(script, a.run, timeline, std::cerr);
    if (result == 0) std::cout << "wrote " << a.out << "\n";
    return result;
}

// place PANEL_CFG --window N GAUGE X Y W [H] [--out FILE]: the one line
// changed or added, written whole or not at all.
int command_place(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    std::string out;
    int window = bench::FIRST_WINDOW;
    std::string module = default_module();
    for (bench::ArgumentWalk walk(args); walk.next();) {
        const std::string& arg = walk.arg();
        if (arg == "--out") {
            out = walk.value();
        } else if (arg == "--module") {
            module = walk.value();
        } else if (arg == "--window") {
            window = bench::window_choice(walk.value());
        } else if (arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9')) {
            throw bench::BenchError("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 5 || positional.size() > 6)
        throw bench::BenchError("place takes PANEL_CFG --window N GAUGE X Y W [H] [--out FILE] [--module PATH]");
    if (window == bench::FIRST_WINDOW)
        throw bench::BenchError("place needs --window N or --window SECTION: the window ([WindowNN], [VCockpitNN]) to place in");
    // The gauges a configuration may place are the module's own.
    bench::read_gauges(module);
    const std::string& path = positional[0];
    bench::GaugePlace place;
    place.gauge = positional[1];
    place.x = bench::whole_number(positional[2], -bench::PANEL_MAX_UNITS, bench::PANEL_MAX_UNITS, "X");
    place.y = bench::whole_number(positional[3], -bench::PANEL_MAX_UNITS, bench::PANEL_MAX_UNITS, "Y");
    place.width = bench::whole_number(positional[4], 1, bench::PANEL_MAX_UNITS, "W");
    if (positional.size() == 6) place.height = bench::whole_number(positional[5], 1, bench::PANEL_MAX_UNITS, "H");

    std::string text;
    try {
        text = bench::read_file_bounded(path, bench::PANEL_FILE_CAP, "the panel configuration");
    } catch (const bench::FileReadError& e) {
        throw bench::BenchError(e.what());
    }
    const bench::PlacedText placed = bench::place_gauge(text, path, window, place);
    // What the reader passed over in the section, as render and run tell it.
    for (const std::string& note : bench::parse_panel_config(placed.text, path, window).notes)
        std::cerr << "panelbench place: " << note << "\n";
    const std::string target = out.empty() ? path : out;
    bench::write_file_whole(target, placed.text);
    std::cout << (placed.added ? "added" : "moved") << " " << target << ":" << placed.line << ": " << placed.entry
              << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // The chime's library is the stand-in inside this program, wherever the
    // program and the gauge file lie: no file of its name is looked for.
    standin_link_into_program();
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        usage(std::cerr);
        return USAGE;
    }
    const std::string command = args[0];
    args.erase(args.begin());
    try {
        if (command == "run") return command_run(args);
        if (command == "render") return command_render(args);
        if (command == "place") return command_place(args);
        if (command == "validate") return bench_validate(args);
        if (command == "gauges") return command_gauges(args);
        if (command == "serve") {
#if defined(_WIN32)
            throw bench::BenchError("this build has no server; use the native panelbench");
#else
            return serve::serve_command(args, default_module());
#endif
        }
        if (command == "help" || command == "--help" || command == "-h") {
            usage(std::cout);
            return 0;
        }
        std::cerr << "panelbench: unknown command \"" << command << "\"\n";
        usage(std::cerr);
        return USAGE;
    } catch (const std::exception& e) {
        std::cerr << "panelbench " << command << ": " << bench::cut_quoted(e.what()) << "\n";
        return USAGE;
    }
}
