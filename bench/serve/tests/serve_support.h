// What the server's tests share: the module under test, a session (on the
// server's simulation thread natively; stepped by the caller in the
// WebAssembly build, which has no threads), and requests given as method,
// path and body.
#pragma once

#include "tests/main/main.h"

#include <string>

#include <nlohmann/json.hpp>

#include "bench/serve/api.h"
#if defined(__EMSCRIPTEN__)
#include "bench/serve/stepped_session.h"
#else
#include "bench/serve/simulation_thread.h"
#endif

namespace servetest {

#if defined(__EMSCRIPTEN__)
using Sessions = serve::SteppedSession;
#else
using Sessions = serve::SimulationThread;
#endif

extern std::string module_path;
extern std::string sound_path;

// A session that runs no cycles by itself unless told to: tests step it.
inline serve::ServeOptions options(bool paused = true) {
    serve::ServeOptions o;
    o.module.module_path = module_path;
    o.module.sound_path = sound_path;
    o.start_paused = paused;
    return o;
}

inline serve::Response get(serve::SessionHolder& sim, const std::string& path, const std::string& query = "") {
    return serve::handle(sim, {.method = "GET", .path = path, .query = query, .body = ""});
}

inline serve::Response post(serve::SessionHolder& sim, const std::string& path, const std::string& body) {
    return serve::handle(sim, {.method = "POST", .path = path, .query = "", .body = body});
}

inline nlohmann::json state(serve::SessionHolder& sim) {
    serve::Response r = get(sim, "/api/state", "since=0");
    REQUIRE(r.status == 200);
    return nlohmann::json::parse(r.body);
}

}  // namespace servetest
