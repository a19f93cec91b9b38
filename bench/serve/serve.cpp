#include "bench/serve/serve.h"

#include <pthread.h>
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "bench/common/catalogue.h"
#include "bench/common/command_line.h"
#include "bench/common/script.h"
#include "bench/serve/http_server.h"
#include "bench/serve/simulation_thread.h"

namespace serve {

namespace {

struct Arguments {
    ServeOptions options;
    int port = 8022;
    std::string panel_file;
    int window = bench::FIRST_WINDOW;
};

Arguments parse_arguments(const std::vector<std::string>& args, const std::string& default_module) {
    Arguments a;
    a.options.module.module_path = default_module;
    for (bench::ArgumentWalk walk(args); walk.next();) {
        const std::string& arg = walk.arg();
        if (arg == "--port") {
            const std::string& text = walk.value();
            char* end = nullptr;
            long port = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end || port < 0 || port > 65535)
                throw bench::BenchError("--port takes a port number from 0 to 65535 (0: any free port)");
            a.port = int(port);
        } else if (arg == "--module") {
            a.options.module.module_path = walk.value();
        } else if (arg == "--sound") {
            a.options.module.sound_path = walk.value();
        } else if (arg == "--bitmaps") {
            a.options.module.bitmap_folder = walk.value();
        } else if (arg == "--window") {
            a.window = bench::window_choice(walk.value());
        } else if (arg == "--paused") {
            a.options.start_paused = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw bench::BenchError("unknown option " + arg);
        } else if (a.panel_file.empty()) {
            a.panel_file = arg;
        } else {
            throw bench::BenchError("serve takes one panel configuration file");
        }
    }
    bench::read_gauges(a.options.module.module_path);  // the names a configuration may place
    if (a.panel_file.empty()) {
        if (a.window != bench::FIRST_WINDOW)
            throw bench::BenchError("--window chooses a window of a panel configuration; name one");
        a.options.panel = bench::default_panel();
        return a;
    }
    // The file is the document the page edits; its pictures are read from its
    // folder, once, here. It is named by its own name alone: the page never
    // sees where on this machine it lies.
    PanelDocument document{.name = std::filesystem::path(a.panel_file).filename().string(), .window = a.window};
    document.original = document.current = bench::read_panel_text(a.panel_file);
    if (document.original.size() > PANEL_MAX_BYTES)
        throw bench::BenchError(a.panel_file + ": the panel configuration is larger than " +
                                std::to_string(PANEL_MAX_BYTES) + " bytes");
    document.folder = std::filesystem::path(a.panel_file).parent_path().string();
    if (document.folder.empty()) document.folder = ".";
    try {
        document.read_background();
        a.options.panel = document.layout();
    } catch (const bench::PanelConfigError& e) {
        // Here, on the command line, the file is named as it was given.
        const std::string what = e.what();
        throw bench::PanelConfigError(what.starts_with(document.name) ? a.panel_file + what.substr(document.name.size())
                                                                      : what);
    }
    for (const std::string& note : bench::panel_notes(a.options.panel)) std::cerr << "panelbench serve: " << note << "\n";
    a.options.document = std::move(document);
    return a;
}

}  // namespace

int serve_command(const std::vector<std::string>& args, const std::string& default_module) {
    Arguments a = parse_arguments(args, default_module);

    // Ctrl-C and termination are taken by one thread that stops the server,
    // so that every other thread runs undisturbed and the module is unloaded
    // in order.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    SimulationThread simulation(a.options);
    HttpServer server(simulation);
    const int port = server.bind(a.port);
    std::cout << "panelbench serve: " << a.options.panel.source << " with " << a.options.module.module_path
              << "\nopen http://" << HttpServer::HOST << ":" << port << "/ in a browser (Ctrl-C stops the server)"
              << std::endl;

    std::thread stopper([&server, stop_signals] {
        int signal = 0;
        sigwait(&stop_signals, &signal);
        server.stop();
    });
    server.listen();
    // Listening ends on a stop signal; should it end otherwise, the waiting thread is woken to end too.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::cout << "panelbench serve: stopped" << std::endl;
    return 0;
}

}  // namespace serve
