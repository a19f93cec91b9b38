// The server's requests and answers, without sockets: a function from
// method, path, query and body to status and body. The HTTP server only
// adapts it; the tests and the fuzz target call it directly, and so does the
// page itself in the WebAssembly build, which has no server.
//
//   GET  /, /panel.js, /panel.css     the page
//   GET  /fonts/dseg7.ttf, /fonts/dseg14.ttf   the read-outs' seven-segment typeface
//   GET  /api/panel                   layout, faces, lamps, read-out boxes, controls (JSON)
//   GET  /api/bitmap/ID.png           a bitmap the gauges show
//   GET  /api/state?since=N           time, lamps, read-outs, tokens, chimes, timeline from line N (JSON)
//   POST /api/click  {"gauge":NAME,"x":X,"y":Y[,"since":N]}   a left click at a face point;
//                                    answered with the state after it, as /api/state?since=N
//   POST /api/set    {"token":NAME,"value":V}       set a token the module reads (by name in
//                                    ft, ft/min, inHg; within serve::setting_ranges())
//   POST /api/pause  {"paused":true|false}
//   POST /api/step   {"cycles":N}                   panel cycles while paused (at most 18, a panel second)
//   POST /api/speed  {"speed":1|4|16}
//   POST /api/reset  {}                             a new session
//   GET  /api/session.pbs             the session as a scenario script
//   GET  /api/token                   this run's token (the HTTP server's alone: see own_origin.h)
//
// Placing gauges in a panel configuration (see document.h):
//   POST /api/panel/open    a document {"name","window","original"[,"current"]}   open it
//   POST /api/panel/window  {"window":N}                 lay out its window [WindowNN]
//   POST /api/panel/add     {"gauge":NAME}               add one of ours at the next free gaugeNN
//   POST /api/panel/remove  {"line":L}                   take our gauge on line L out
//                                    these four answer {"relayout":true,"document":DOCUMENT}: the
//                                    panel is laid out anew (the page fetches /api/panel again)
//   POST /api/panel/move    {"line":L,"x":X,"y":Y,"width":W,"height":H}   move or resize our gauge
//                                    on line L (H 0: its face's aspect); answered with /api/panel
//   GET  /api/panel.cfg               the file as it now reads, byte for byte
//   GET  /api/panel/document          the document, as /api/panel/open takes it
//   GET  /api/panel/background.png    the window's background, when the server read it from disk
//
// Bad input gets a 4xx answer whose body is one line saying what is wrong; a
// known path asked with another method answers 405 with an Allow header.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace serve {

class Session;
struct ServeOptions;
struct PanelDocument;

// Where the request handling finds the session: the server's simulation
// thread, or a session stepped by the page's own timer (the WebAssembly
// build).
class SessionHolder {
public:
    virtual ~SessionHolder() = default;
    // Runs `work` on the session between panel cycles; what it throws
    // (RequestError for a refusal) comes back to the caller.
    virtual void run(std::function<void(Session&)> work) = 0;
    // Ends the session and starts a new one from the same options, with the
    // panel configuration being edited as it now reads.
    virtual void restart() = 0;
    // Lays the panel out anew (a file opened, a gauge added or taken out,
    // another window) from the document `change` makes of the session: a
    // new session, the module loaded afresh, in one step with `change`, so
    // that no other request comes between them. Returns that document; what
    // `change` throws (RequestError for a refusal) comes back, and the
    // session goes on. `change` reads the document once, so it is known to read.
    virtual PanelDocument relayout(std::function<PanelDocument(const Session&)> change) = 0;
    virtual const ServeOptions& options() const = 0;
};

struct Request {
    std::string method;
    std::string path;
    std::string query;  // after the '?', undecoded
    std::string body;
    // The headers the HTTP server checks (own_origin.h); the page file's
    // own calls, which never cross a network, carry none.
    std::optional<std::string> host, origin, content_type, token;
};

struct Response {
    int status = 200;
    std::string content_type = "text/plain; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// The largest request body taken; a document opened may be larger (DOCUMENT_MAX_BODY).
constexpr size_t MAX_BODY = 16 * 1024;

Response handle(SessionHolder& sessions, const Request& request);

}  // namespace serve
