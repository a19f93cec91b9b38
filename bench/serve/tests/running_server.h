// A real server for the tests that go over the wire: on a free port of
// 127.0.0.1, serving on its own thread while it lives.
#pragma once

#include <httplib.h>

#include <string>
#include <thread>

#include "bench/serve/http_server.h"
#include "bench/serve/own_origin.h"
#include "bench/serve/simulation_thread.h"

struct Running {
    serve::HttpServer server;
    int port;
    std::thread thread;
    explicit Running(serve::SimulationThread& sim) : server(sim), port(server.bind(0)) {
        thread = std::thread([this] { server.listen(); });
    }
    ~Running() {
        server.stop();
        thread.join();
    }
    // What the server's own page sends with a change: its origin and this run's token.
    httplib::Headers page_headers() const {
        return {{"Origin", "http://127.0.0.1:" + std::to_string(port)}, {serve::TOKEN_HEADER, server.token()}};
    }
};
