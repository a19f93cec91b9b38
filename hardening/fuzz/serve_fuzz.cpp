// Coverage-guided fuzzing of the server's request handling, with the
// simulation behind it: any method, any path (the page's own and made-up
// ones), any query, and bodies both well-shaped with hostile values (NaN
// spelled out, huge and fractional numbers, wrong types, names of gauges
// and tokens that are not there) and arbitrary bytes. Every answer must be
// well-formed:
//   - a status from 200 to 599, never a 500 (a failure the handling did not
//     foresee);
//   - a refusal (4xx) is one line of text ending in a newline;
//   - a JSON answer parses;
// and the sanitizers must stay silent.
//
// One simulation thread and one load of the module serve the whole run (the
// fuzzer's coverage counters live in the module, which must stay mapped), so
// a new session (which reloads the module) is not offered here, nor are the
// edits that lay the panel out anew; the session starts paused, with a panel
// configuration open whose gauges inputs move, and moves only when an input
// steps it.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>

#include "bench/serve/api.h"
#include "bench/serve/document.h"
#include "bench/serve/simulation_thread.h"
#include "hardening/support/module_gauges.h"

namespace {

std::unique_ptr<serve::SimulationThread> simulation;

const char* const METHODS[] = {"GET", "POST", "HEAD", "PUT", "DELETE", "OPTIONS"};
const char* const PATHS[] = {"/",          "/index.html",     "/panel.js",       "/panel.css",  "/fonts/dseg7.ttf",
                             "/fonts/dseg14.ttf", "/api/panel", "/api/state",    "/api/session.pbs",
                             "/api/bitmap/5120.png", "/api/bitmap/4096.png", "/api/click", "/api/set", "/api/pause",
                             "/api/step", "/api/speed", "/api/reset", "/api/panel/move", "/api/panel.cfg",
                             "/api/panel/document", "/api/panel/background.png"};
// The module's gauge names and the tokens' names, and a token by number.
std::vector<std::string> names = {"74"};
const char* const FIELDS[] = {"gauge", "x", "y", "token", "value", "paused", "cycles", "speed", "line", "width", "height"};
const char* const NUMBERS[] = {"0", "1", "-1", "16", "4", "1080", "1081", "70", "499", "500", "1e9", "-1e9", "1e300",
                               "1e999", "NaN", "Infinity", "0.5", "-0", "2147483648", "99999999999999999999"};

bool fatal(const std::string& what, const serve::Request& r, const serve::Response& a) {
    std::fprintf(stderr, "serve_fuzz: %s\n  %s %s?%s\n  body: %s\n  answer %d: %s\n", what.c_str(), r.method.c_str(),
                 r.path.c_str(), r.query.c_str(), r.body.substr(0, 200).c_str(), a.status, a.body.substr(0, 300).c_str());
    std::abort();
}

// A JSON object of the fields a request might take, some well-formed, some not.
std::string shaped_body(FuzzedDataProvider& in) {
    std::string body = "{";
    for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) {
        body += std::string("\"") + in.PickValueInArray(FIELDS) + "\":";
        switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0: body += in.PickValueInArray(NUMBERS); break;
        case 1: body += std::string("\"") + names[in.ConsumeIntegralInRange<size_t>(0, names.size() - 1)] + "\""; break;
        case 2: body += std::to_string(in.ConsumeIntegralInRange(-50, 520)); break;
        case 3: body += in.ConsumeBool() ? "true" : "false"; break;
        default:
            body += nlohmann::json(in.ConsumeRandomLengthString(24)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            break;
        }
        if (n > 1) body += ",";
    }
    return body + "}";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* module = std::getenv("SERVE_FUZZ_MODULE");
    const char* sound = std::getenv("SERVE_FUZZ_SOUND");
    serve::ServeOptions options;
    options.module.module_path = hardening::read_module_gauges("serve_fuzz", module ? module : SERVE_FUZZ_DEFAULT_MODULE);
    options.module.sound_path = sound ? sound : SERVE_FUZZ_DEFAULT_SOUND;
    options.start_paused = true;
    options.allow_reset = false;
    try {
        // A window with our gauges on lines 3 to 5 and another file's on line 6.
        options.document = serve::PanelDocument{
            .name = "fuzz.cfg",
            .original = "[Window00]\r\nsize_mm=1000,500\r\ngauge00=vmq_Tavok22ap!autopilot, 0, 0, 500\r\n"
                        "gauge01=vmq_Tavok22ap!altpreselector, 0, 200, 300\r\ngauge02=vmq_Tavok22ap!annunciator,"
                        " 600, 0, 300, 140\r\ngauge03=other!clock, 600, 300, 100\r\n"};
        options.document->current = options.document->original;
        for (const std::string& gauge : bench::gauge_names()) names.push_back(gauge);
        for (const bench::NamedToken& token : bench::tokens()) names.push_back(token.name);
        simulation = std::make_unique<serve::SimulationThread>(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "serve_fuzz: cannot start the simulation: %s\n", e.what());
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    for (int requests = 0; requests < 8 && in.remaining_bytes() > 0; ++requests) {
        serve::Request r;
        r.method = in.ConsumeBool() ? in.PickValueInArray(METHODS) : in.ConsumeRandomLengthString(8);
        r.path = in.ConsumeBool() ? in.PickValueInArray(PATHS) : in.ConsumeRandomLengthString(40);
        if (in.ConsumeBool()) r.query = in.ConsumeRandomLengthString(24);
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: break;
        case 1: r.body = shaped_body(in); break;
        case 2: r.body = in.ConsumeRandomLengthString(200); break;
        default: r.body.assign(in.ConsumeIntegralInRange<size_t>(0, serve::MAX_BODY + 64), '['); break;
        }
        serve::Response a = serve::handle(*simulation, r);
        if (a.status < 200 || a.status > 599) fatal("status out of range", r, a);
        if (a.status >= 500) fatal("an unforeseen failure", r, a);
        if (a.status >= 400 && (a.body.empty() || a.body.find('\n') != a.body.size() - 1))
            fatal("a refusal that is not one line", r, a);
        if (a.content_type == "application/json" && !nlohmann::json::accept(a.body)) fatal("JSON that does not parse", r, a);
    }
    return 0;
}
