// What the page calls in the WebAssembly build: the request handling of the
// server (serve::handle) on a session held here, and advance() for the
// page's timer; and web_run(), which runs a scenario as `panelbench run`
// does. One answer is kept at a time; the page reads its status, type and
// bytes before the next request.
#include <emscripten/emscripten.h>

#include <memory>
#include <sstream>
#include <string>

#include "bench/common/catalogue.h"
#include "bench/common/runner.h"
#include "bench/common/script.h"
#include "bench/serve/api.h"
#include "bench/serve/document.h"
#include "bench/serve/stepped_session.h"
#include "host/library.h"
#include "module/records.h"
#include "soundlib/file_name.h"

extern "C" {
extern IMPORT_TABLE ImportTable;
extern LINKAGE Linkage;
}

namespace {

// Where the linked-in module is found, and its bitmaps beside it.
const char* const MODULE_PATH = "/module/vmq_Tavok22ap.so";
const std::string SOUND_PATH = std::string("/module/") + SOUND_FILE;

std::unique_ptr<serve::SteppedSession> session;
std::string failure;
serve::Response answer;

}  // namespace

extern "C" {

// Starts the session: 1, or 0 with the reason in web_failure(). A program
// instance holds one session; a new session is a new instance. `document`
// is the panel configuration being edited, as /api/panel/document gives it,
// or empty for the five gauges side by side.
EMSCRIPTEN_KEEPALIVE int web_start(int paused, const char* document) {
    try {
        serve::ServeOptions options;
        if (document && *document) options.document = serve::document_from_json(document);
        options.module.module_path = MODULE_PATH;
        options.module.sound_path = SOUND_PATH;
        options.start_paused = paused != 0;
        options.allow_reset = false;
        session = std::make_unique<serve::SteppedSession>(options);
        return 1;
    } catch (const std::exception& e) {
        failure = e.what();
        return 0;
    }
}

EMSCRIPTEN_KEEPALIVE const char* web_failure() { return failure.c_str(); }

// One request, as the server takes it; returns the answer's status.
EMSCRIPTEN_KEEPALIVE int web_handle(const char* method, const char* path, const char* query, const char* body) {
    if (!session) {
        answer = serve::Response{.status = 503, .body = "the panel did not start: " + failure + "\n"};
        return answer.status;
    }
    answer = serve::handle(*session, {.method = method ? method : "",
                                      .path = path ? path : "",
                                      .query = query ? query : "",
                                      .body = body ? body : ""});
    return answer.status;
}

EMSCRIPTEN_KEEPALIVE const char* web_answer() { return answer.body.data(); }
EMSCRIPTEN_KEEPALIVE int web_answer_size() { return int(answer.body.size()); }

// Runs a scenario, `text` read from a file named `file`, as `panelbench run
// FILE --no-snapshots` does: the timeline and the verdict line in
// web_answer(), what failed (file:line and what differed) in web_failure();
// returns run's exit status. The linked-in module is loaded once in a
// program instance, so a scenario runs in an instance of its own, not in
// one that holds a session.
EMSCRIPTEN_KEEPALIVE int web_run(const char* file, const char* text) {
    std::ostringstream out, err;
    int status = bench::RUN_ERROR;
    try {
        // The script names gauges, which are known once the module's gauge
        // table has been read: the module is loaded for that first, then by
        // the run. The first load only reads its tables (its start and stop
        // routines change nothing), so the run still starts on the module's
        // data as built; this instance holds no session to share it with.
        panelhost::register_static_library(
            "vmq_Tavok22ap.so", {{"ImportTable", &ImportTable}, {"Linkage", &Linkage}}, /*single_load=*/false);
        bench::read_gauges(MODULE_PATH);
        const bench::Script script = bench::parse_script(text ? text : "", file ? file : "");
        bench::RunOptions options;
        options.module_path = MODULE_PATH;
        options.sound_path = SOUND_PATH;
        options.snapshots = false;
        status = bench::run_script(script, options, out, err);
    } catch (const std::exception& e) {
        err << e.what() << "\n";
    }
    answer = serve::Response{.status = 200, .body = out.str()};
    failure = err.str();
    return status;
}

// The page's timer: `seconds` of real time went by; returns the cycles run.
EMSCRIPTEN_KEEPALIVE int web_advance(double seconds) { return session ? session->advance(seconds) : 0; }

}  // extern "C"
