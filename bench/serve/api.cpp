#include "bench/serve/api.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>

#include <nlohmann/json.hpp>

#include "bench/common/file_read.h"
#include "bench/common/render.h"
#include "bench/serve/document.h"
#include "bench/serve/page_assets.h"
#include "bench/serve/session.h"

namespace serve {

using nlohmann::json;

namespace {

// The most cycles one step request runs: a panel second, so that no request
// holds the simulation thread for longer than that much of the panel's work.
constexpr int MOST_STEP_CYCLES = bench::Aircraft::CYCLES_PER_SECOND;

// The result of `work` run on the session. The result lives in shared
// storage, so that work which runs late (after a holder gave up waiting)
// writes nowhere it should not.
template <class Work>
auto call(SessionHolder& sessions, Work work) -> decltype(work(std::declval<Session&>())) {
    using Result = decltype(work(std::declval<Session&>()));
    auto result = std::make_shared<std::optional<Result>>();
    sessions.run([result, work = std::move(work)](Session& s) mutable { result->emplace(work(s)); });
    if (!*result) throw RequestError(500, "the session gave no answer");
    return std::move(**result);
}

// An answer of one line: control characters shown as '?', and no longer than a line should be.
Response message(int status, const std::string& text) {
    Response r{.status = status};
    for (char c : text.substr(0, 600)) r.body += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    r.body += '\n';
    return r;
}

Response json_answer(std::string body) {
    return Response{.content_type = "application/json", .body = std::move(body)};
}

Response ok() { return json_answer("{\"ok\":true}"); }

// A request's word as quoted in a message: short, one line.
std::string shown(std::string_view text) {
    std::string out(text.substr(0, 60));
    if (text.size() > 60) out += "...";
    return out;
}

// What the request at `path` carries, as the route table writes it; for the
// message that refuses another body.
const char* body_example(const std::string& path);

json body_object(const Request& r) {
    json body = json::parse(r.body, nullptr, false);
    if (body.is_discarded() || !body.is_object())
        throw RequestError(400, "the body must be a JSON object, as in " + std::string(body_example(r.path)));
    return body;
}

const json& field(const json& body, const char* name) {
    auto found = body.find(name);
    if (found == body.end()) throw RequestError(400, std::string("the body lacks \"") + name + "\"");
    return *found;
}

double number_field(const json& body, const char* name) {
    const json& value = field(body, name);
    if (!value.is_number()) throw RequestError(400, std::string("\"") + name + "\" must be a number");
    double number = value.get<double>();
    if (!std::isfinite(number)) throw RequestError(400, std::string("\"") + name + "\" must be a finite number");
    return number;
}

int integer_field(const json& body, const char* name, int low, int high) {
    double number = number_field(body, name);
    if (number != std::floor(number) || number < low || number > high)
        throw RequestError(400, std::string("\"") + name + "\" must be a whole number from " + std::to_string(low) +
                                    " to " + std::to_string(high));
    return int(number);
}

std::string string_field(const json& body, const char* name) {
    const json& value = field(body, name);
    if (!value.is_string()) throw RequestError(400, std::string("\"") + name + "\" must be a text");
    return value.get<std::string>();
}

bool bool_field(const json& body, const char* name) {
    const json& value = field(body, name);
    if (!value.is_boolean()) throw RequestError(400, std::string("\"") + name + "\" must be true or false");
    return value.get<bool>();
}

// The value of `name` in an undecoded query ("a=1&b=2"); "" when absent.
std::string query_value(std::string_view query, std::string_view name) {
    while (!query.empty()) {
        size_t amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        size_t equals = pair.find('=');
        if (pair.substr(0, equals) == name) return std::string(equals == std::string_view::npos ? "" : pair.substr(equals + 1));
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return "";
}

bool whole_number(std::string_view text, int64_t& out) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// A read-out typeface, read as every file is, so that a FIFO or a device
// named in its place is refused rather than read forever.
Response font(const std::string& path) {
    std::string bytes;
    try {
        bytes = bench::read_file_bounded(path, bench::PICTURE_FILE_CAP, "the read-out typeface");
    } catch (const bench::FileReadError& e) {
        return message(404, std::string(e.what()) + " (the read-out typefaces are Debian's package fonts-dseg)");
    }
    Response r{.content_type = "font/ttf", .body = std::move(bytes)};
    r.headers.emplace_back("Cache-Control", "max-age=3600");
    return r;
}


// Each request's answer. One signature for all, so that the route table
// below can name them.

Response page_file(SessionHolder&, const Request& r) {
    const Asset* asset = find_asset(r.path);
    return Response{.content_type = std::string(asset->content_type), .body = std::string(asset->body)};
}

Response fonts(SessionHolder&, const Request& r) {
    if (r.path == "/fonts/dseg7.ttf") return font(bench::readout_font_path());
    if (r.path == "/fonts/dseg14.ttf") return font(bench::readout_fallback_font_path());
    throw RequestError(404, "nothing at " + shown(r.path));
}

Response panel(SessionHolder& sim, const Request&) {
    return json_answer(call(sim, [](Session& s) { return s.panel_json(); }));
}

Response bitmap(SessionHolder& sim, const Request& r) {
    const std::string_view bitmaps = "/api/bitmap/";
    if (!r.path.ends_with(".png")) throw RequestError(404, "nothing at " + shown(r.path));
    std::string_view digits = std::string_view(r.path).substr(bitmaps.size());
    digits.remove_suffix(4);
    int64_t id = 0;
    if (!whole_number(digits, id) || id < 0 || id > INT32_MAX)
        throw RequestError(404, "no bitmap \"" + shown(digits) + "\": bitmaps are named by number, as in 5120.png");
    Response answer{.content_type = "image/png",
                    .body = call(sim, [id](Session& s) { return s.bitmap_png(int32_t(id)); })};
    answer.headers.emplace_back("Cache-Control", "max-age=3600");
    return answer;
}

Response state(SessionHolder& sim, const Request& r) {
    int64_t since = 0;
    std::string text = query_value(r.query, "since");
    if (!text.empty() && (!whole_number(text, since) || since < 0))
        throw RequestError(400, "since=\"" + shown(text) + "\" must be a timeline line number, 0 or more");
    return json_answer(call(sim, [since](Session& s) { return s.state_json(since); }));
}

Response script(SessionHolder& sim, const Request&) {
    Response answer{.body = call(sim, [](Session& s) { return s.script(); })};
    answer.headers.emplace_back("Content-Disposition", "attachment; filename=\"session.pbs\"");
    return answer;
}

Response panel_file(SessionHolder& sim, const Request&) {
    auto [name, bytes] = call(sim, [](Session& s) {
        const PanelDocument* d = s.document();
        if (!d) throw RequestError(404, "no panel configuration is open");
        return std::pair{download_name(*d), d->current};
    });
    Response answer{.content_type = "application/octet-stream", .body = std::move(bytes)};
    answer.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + name + "\"");
    return answer;
}

Response panel_document(SessionHolder& sim, const Request&) {
    return json_answer(call(sim, [](Session& s) {
        if (!s.document()) throw RequestError(404, "no panel configuration is open");
        return document_json(*s.document());
    }));
}

Response background(SessionHolder& sim, const Request&) {
    // Made once per window, and here rather than on the simulation thread.
    const std::shared_ptr<const WindowPicture> picture = call(sim, [](Session& s) { return s.background(); });
    return Response{.content_type = "image/png", .body = picture->png()};
}

Response click(SessionHolder& sim, const Request& r) {
    // Answered with the state after the click, as /api/state?since=N answers.
    json body = body_object(r);
    std::string gauge = string_field(body, "gauge");
    int x = integer_field(body, "x", -100000, 100000), y = integer_field(body, "y", -100000, 100000);
    int64_t since = body.contains("since") ? integer_field(body, "since", 0, INT32_MAX) : 0;
    return json_answer(call(sim, [gauge, x, y, since](Session& s) {
        s.click(gauge, x, y);
        return s.state_json(since);
    }));
}

Response set(SessionHolder& sim, const Request& r) {
    json body = body_object(r);
    std::string token = string_field(body, "token");
    double value = number_field(body, "value");
    if (std::fabs(value) > 1e9) throw RequestError(400, "\"value\" must lie within plus or minus 1e9");
    call(sim, [token, value](Session& s) { s.set(token, value); return 0; });
    return ok();
}

Response pause(SessionHolder& sim, const Request& r) {
    bool paused = bool_field(body_object(r), "paused");
    call(sim, [paused](Session& s) { s.paused = paused; return 0; });
    return ok();
}

Response step(SessionHolder& sim, const Request& r) {
    int cycles = integer_field(body_object(r), "cycles", 1, MOST_STEP_CYCLES);
    call(sim, [cycles](Session& s) {
        if (!s.paused) throw RequestError(409, "the panel is running; pause it before stepping");
        for (int i = 0; i < cycles; ++i) s.step();
        return 0;
    });
    return ok();
}

Response speed(SessionHolder& sim, const Request& r) {
    int speed = integer_field(body_object(r), "speed", 1, 16);
    if (!valid_speed(speed)) throw RequestError(400, "\"speed\" must be 1, 4 or 16");
    call(sim, [speed](Session& s) { s.speed = speed; return 0; });
    return ok();
}

Response reset(SessionHolder& sim, const Request& r) {
    body_object(r);
    if (!sim.options().allow_reset) throw RequestError(403, "this server does not start new sessions");
    sim.restart();
    return ok();
}

// The panel laid out anew from the document `change` makes of the session;
// the answer carries the document, from which the page file starts its new
// program instance.
Response relayout(SessionHolder& sim, std::function<PanelDocument(const Session&)> change) {
    const PanelDocument document = sim.relayout(std::move(change));
    return json_answer("{\"relayout\":true,\"document\":" + document_json(document) + "}");
}

Response open_document(SessionHolder& sim, const Request& r) {
    PanelDocument document;
    try {
        document = document_from_json(r.body);
        document.layout();  // a file that does not read is refused before anything changes
    } catch (const std::invalid_argument& e) {
        throw RequestError(400, e.what());
    } catch (const bench::PanelConfigError& e) {
        throw RequestError(400, e.what());
    }
    return relayout(sim, [document](const Session&) { return document; });
}

Response choose_window(SessionHolder& sim, const Request& r) {
    int window = integer_field(body_object(r), "window", 0, bench::PANEL_MAX_SECTION_ID);
    // The window's picture is read here, on the request's thread, never on the simulation thread.
    PanelDocument chosen = call(sim, [window](Session& s) { return s.in_window(window); });
    chosen.read_background();
    return relayout(sim, [window, chosen](const Session& s) {
        PanelDocument document = s.in_window(window);
        if (document.folder == chosen.folder) document.background = chosen.background;
        return document;
    });
}

Response add_gauge(SessionHolder& sim, const Request& r) {
    std::string gauge = string_field(body_object(r), "gauge");
    return relayout(sim, [gauge](const Session& s) { return s.with_added(gauge); });
}

Response remove_gauge(SessionHolder& sim, const Request& r) {
    int line = integer_field(body_object(r), "line", 1, INT32_MAX);
    return relayout(sim, [line](const Session& s) { return s.with_removed(line); });
}

Response move_gauge(SessionHolder& sim, const Request& r) {
    json body = body_object(r);
    const int line = integer_field(body, "line", 1, INT32_MAX);
    const int x = integer_field(body, "x", -bench::PANEL_MAX_UNITS, bench::PANEL_MAX_UNITS);
    const int y = integer_field(body, "y", -bench::PANEL_MAX_UNITS, bench::PANEL_MAX_UNITS);
    const int width = integer_field(body, "width", 1, bench::PANEL_MAX_UNITS);
    const int height = body.contains("height") ? integer_field(body, "height", 0, bench::PANEL_MAX_UNITS) : 0;
    return json_answer(call(sim, [=](Session& s) {
        s.move(line, x, y, width, height);
        return s.panel_json();
    }));
}

// How a route's path is matched: the request's path as written, one that
// begins with it, or one of the page's own files (page_assets.h).
enum class Match { exact, prefix, page };

struct Route {
    const char* path;
    const char* method;  // "GET" (which takes HEAD too) or "POST"
    Response (*answer)(SessionHolder&, const Request&);
    const char* description;
    Match match = Match::exact;
    const char* example = "{}";  // for a POST: a body it takes, shown when another is refused
    size_t most_body = MAX_BODY;
};

// Every request the server answers, and the one place they are listed. The
// HTTP server answers one more itself: GET /api/token, this run's token
// (own_origin.h), which the page file of the WebAssembly build never asks.
// A path asked with a method none of its routes takes answers 405 with an
// Allow header naming theirs.
constexpr Route ROUTES[] = {
    {.path = "", .method = "GET", .answer = page_file,
     .description = "the page's own files (/ and those of page/), and /first_climb.pbs, its help's scenario",
     .match = Match::page},
    {.path = "/fonts/", .method = "GET", .answer = fonts,
     .description = "dseg7.ttf, dseg14.ttf: the read-outs' seven-segment typeface", .match = Match::prefix},
    {.path = "/api/panel", .method = "GET", .answer = panel,
     .description = "layout, faces, lamps, read-out boxes, controls (JSON)"},
    {.path = "/api/bitmap/", .method = "GET", .answer = bitmap, .description = "ID.png: a bitmap the gauges show",
     .match = Match::prefix},
    {.path = "/api/state", .method = "GET", .answer = state,
     .description = "?since=N: time, lamps, read-outs, tokens, chimes, timeline from line N (JSON)"},
    {.path = "/api/session.pbs", .method = "GET", .answer = script,
     .description = "the page's session as a scenario script"},
    {.path = "/api/click", .method = "POST", .answer = click,
     .description = "a left click at a face point; answered with the state after it, as /api/state?since=N",
     .example = "{\"gauge\":\"autopilot\",\"x\":10,\"y\":20,\"since\":0}"},
    {.path = "/api/set", .method = "POST", .answer = set,
     .description = "set a token the module reads (by name in ft, ft/min, inHg; within serve::setting_ranges())",
     .example = "{\"token\":\"altitude\",\"value\":3000}"},
    {.path = "/api/pause", .method = "POST", .answer = pause, .description = "pause the panel, or run it on",
     .example = "{\"paused\":true}"},
    {.path = "/api/step", .method = "POST", .answer = step,
     .description = "panel cycles while paused (at most a panel second's)", .example = "{\"cycles\":1}"},
    {.path = "/api/speed", .method = "POST", .answer = speed, .description = "1, 4 or 16 times the panel's speed",
     .example = "{\"speed\":4}"},
    {.path = "/api/reset", .method = "POST", .answer = reset, .description = "a new session of the page"},
    // Placing gauges in a panel configuration (document.h). Open, window, add and remove answer
    // {"relayout":true,"document":DOCUMENT}: the panel is laid out anew (the page fetches /api/panel again).
    {.path = "/api/panel/open", .method = "POST", .answer = open_document,
     .description = "open a document {\"name\",\"window\",\"original\"[,\"current\"]}",
     .most_body = DOCUMENT_MAX_BODY},
    {.path = "/api/panel/window", .method = "POST", .answer = choose_window,
     .description = "lay out its window [WindowNN]", .example = "{\"window\":1}"},
    {.path = "/api/panel/add", .method = "POST", .answer = add_gauge,
     .description = "add one of ours at the next free gaugeNN", .example = "{\"gauge\":\"autopilot\"}"},
    {.path = "/api/panel/remove", .method = "POST", .answer = remove_gauge,
     .description = "take our gauge on line L out", .example = "{\"line\":12}"},
    {.path = "/api/panel/move", .method = "POST", .answer = move_gauge,
     .description = "move or resize our gauge on line L (height 0: its face's aspect); answered as /api/panel",
     .example = "{\"line\":12,\"x\":10,\"y\":300,\"width\":500,\"height\":0}"},
    {.path = "/api/panel.cfg", .method = "GET", .answer = panel_file,
     .description = "the panel configuration as it now reads, byte for byte"},
    {.path = "/api/panel/document", .method = "GET", .answer = panel_document,
     .description = "the document, as /api/panel/open takes it"},
    {.path = "/api/panel/background.png", .method = "GET", .answer = background,
     .description = "the window's background, when the server read it from disk"},
};

bool matches(const Route& route, const std::string& path) {
    switch (route.match) {
    case Match::exact: return path == route.path;
    case Match::prefix: return path.starts_with(route.path);
    case Match::page: return find_asset(path) != nullptr;
    }
    return false;
}

bool takes(const Route& route, const std::string& method) {
    return method == route.method || (method == "HEAD" && std::string_view(route.method) == "GET");
}

// The route that takes `method` at `path`, or null; `known` tells whether any route has the path.
const Route* find_route(const std::string& path, const std::string& method, bool& known) {
    known = false;
    for (const Route& route : ROUTES) {
        if (!matches(route, path)) continue;
        known = true;
        if (takes(route, method)) return &route;
    }
    return nullptr;
}

const char* body_example(const std::string& path) {
    bool known = false;
    const Route* route = find_route(path, "POST", known);
    return route ? route->example : "{}";
}

// The largest body taken at `path`: its routes' largest.
size_t most_body(const std::string& path) {
    size_t most = MAX_BODY;
    for (const Route& route : ROUTES)
        if (matches(route, path)) most = std::max(most, route.most_body);
    return most;
}

// A known path asked with another method than its routes take: 405, with an Allow header naming theirs.
Response wrong_method(const std::string& path) {
    std::string allowed;
    for (const Route& route : ROUTES) {
        if (!matches(route, path)) continue;
        if (!allowed.empty()) allowed += ", ";
        allowed += std::string_view(route.method) == "GET" ? "GET, HEAD" : route.method;
    }
    Response r = message(405, shown(path) + " takes " + allowed);
    r.headers.emplace_back("Allow", allowed);
    return r;
}

}  // namespace

Response handle(SessionHolder& simulation, const Request& request) {
    try {
        const size_t most = most_body(request.path);
        if (request.body.size() > most)
            return message(413, "the body is " + std::to_string(request.body.size()) + " bytes; at most " +
                                    std::to_string(most) + " are taken");
        bool known = false;
        const Route* route = find_route(request.path, request.method, known);
        if (route) return route->answer(simulation, request);
        if (known) return wrong_method(request.path);
        if (request.method == "GET" || request.method == "HEAD") throw RequestError(404, "nothing at " + shown(request.path));
        if (request.method == "POST") throw RequestError(404, "nothing to post to at " + shown(request.path));
        return message(405, "method " + shown(request.method) + " is not served here (GET and POST are)");
    } catch (const RequestError& e) {
        return message(e.status, e.what());
    } catch (const std::exception& e) {
        return message(500, std::string("the request failed: ") + e.what());
    }
}

}  // namespace serve
