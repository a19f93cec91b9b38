// The server's requests and answers, without sockets: a function from
// method, path, query and body to status and body. The HTTP server only
// adapts it; the tests and the fuzz target call it directly, and so does the
// page itself in the WebAssembly build, which has no server.
//
// The requests it answers are listed once, in the route table in api.cpp
// (ROUTES: each path, its method and a line on what it does); dispatch and
// the 405 answers come from that table too.
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
