// The server's request handling, called as the HTTP server calls it: what
// the page reads and does, the session written out as a scenario, and bad
// input refused with a clear answer while the server goes on serving.
#include "bench/serve/tests/serve_support.h"

#include <sstream>

#include "bench/common/runner.h"
#include "bench/common/script.h"

using nlohmann::json;
using servetest::get;
using servetest::post;

namespace {

using test::has;

// The page's view of one session: its layout, and its latest state.
struct Page {
    serve::SessionHolder& sim;
    json panel = json::parse(get(sim, "/api/panel").body);
    json now = servetest::state(sim);

    const json& gauge(const std::string& name, size_t* index = nullptr) const {
        for (size_t i = 0; i < panel["gauges"].size(); ++i)
            if (panel["gauges"][i]["name"] == name) {
                if (index) *index = i;
                return panel["gauges"][i];
            }
        FAIL("no gauge " << name);
        throw;
    }
    void refresh() { now = servetest::state(sim); }
    bool lamp(const std::string& name, const std::string& legend) const {
        size_t i = 0;
        const json& lamps = gauge(name, &i)["lamps"];
        for (size_t j = 0; j < lamps.size(); ++j)
            if (lamps[j]["legend"] == legend) return now["gauges"][i]["lamps"].get<std::string>()[j] == '1';
        FAIL("no lamp " << legend << " on " << name);
        return false;
    }
    std::string text(const std::string& name, const std::string& readout) const {
        size_t i = 0;
        const json& texts = gauge(name, &i)["texts"];
        for (size_t j = 0; j < texts.size(); ++j)
            if (texts[j]["readout"] == readout) return now["gauges"][i]["texts"][j];
        FAIL("no read-out " << readout << " on " << name);
        return "";
    }
    // Clicks the centre of a named control, as the page does for a click there.
    serve::Response click(const std::string& name, const std::string& control) {
        for (const json& c : gauge(name)["controls"])
            if (c["name"] == control) {
                int x = c["x"].get<int>() + c["width"].get<int>() / 2, y = c["y"].get<int>() + c["height"].get<int>() / 2;
                return post(sim, "/api/click",
                            json{{"gauge", name}, {"x", x}, {"y", y}}.dump());
            }
        FAIL("no control " << control << " on " << name);
        return {};
    }
    // One request steps a panel second at most.
    void step(int cycles = 1) {
        for (int part; cycles > 0; cycles -= part) {
            part = std::min(cycles, 18);
            REQUIRE(post(sim, "/api/step", json{{"cycles", part}}.dump()).status == 200);
        }
    }
};

}  // namespace

TEST_CASE("the page's view: layout, bitmaps, the font, and state after clicks, settings and steps") {
    servetest::Sessions sim(servetest::options());
    Page page{sim};

    // The default panel: all five gauges, with their faces, lamps, read-out boxes and controls.
    CHECK(page.panel["source"] == "(all five gauges)");
    REQUIRE(page.panel["gauges"].size() == 5);
    CHECK(page.gauge("altpreselector")["controls"].size() == 10);
    CHECK(page.gauge("vcaltpreselector")["controls"].empty());
    CHECK(page.gauge("autopilot")["face"]["width"] == 500);
    serve::Response face = get(sim, "/api/bitmap/" + std::to_string(page.gauge("autopilot")["face"]["bitmap"].get<int>()) + ".png");
    CHECK(face.status == 200);
    CHECK(face.content_type == "image/png");
    CHECK(face.body.substr(1, 3) == "PNG");
#if !defined(__EMSCRIPTEN__)  // the page file of the WebAssembly build carries its own page and faces
    serve::Response font = get(sim, "/fonts/dseg7.ttf");
    CHECK(font.status == 200);
    CHECK(font.content_type == "font/ttf");
    serve::Response html = get(sim, "/");
    CHECK(html.status == 200);
    CHECK(has(html.body, "<canvas"));
#endif

    // Nothing drawn before the first cycle; the start's settings are in place.
    CHECK(page.now["cycle"] == 0);
    CHECK(page.now["tokens"]["altitude"] == 2500);
    CHECK(page.now["tokens"]["ap_master"] == 1);
    page.step();
    page.refresh();
    CHECK(page.lamp("altpreselector", "ENT"));
    CHECK(page.lamp("altpreselector", "BARO"));
    CHECK_FALSE(page.lamp("altpreselector", "SEL"));

    // ALT on the preselector: ALT and SEL light, the altitude read-out shows the reference.
    CHECK(page.click("altpreselector", "ALT").status == 200);
    page.step();
    page.refresh();
    CHECK(page.lamp("altpreselector", "ALT"));
    CHECK(page.lamp("altpreselector", "SEL"));
    CHECK(page.lamp("vcaltpreselector", "SEL"));  // the renditions share one state
    CHECK(page.text("altpreselector", "altitude") == " 3.0");

    // The autopilot's knob steps the VS reference by 100 ft/min.
    page.click("autopilot", "knob-inc");
    page.click("autopilot", "knob-inc");
    page.step();
    page.refresh();
    CHECK(page.now["tokens"]["ap_vs_ref"] == 200);
    CHECK(page.text("altpreselector", "vs") == "+2");

    // Settings reach the aircraft; the timeline tells it as a run does.
    CHECK(post(sim, "/api/set", R"({"token":"altitude","value":4321.5})").status == 200);
    page.step(18);
    page.refresh();
    CHECK(page.now["tokens"]["altitude"] == 4321.5);
    CHECK(page.now["cycle"] == 21);
    std::string timeline;
    for (const json& line : page.now["timeline"]["lines"]) timeline += line.get<std::string>() + "\n";
    CHECK(has(timeline, "     0.06s  click altpreselector ALT at 40,83\n"));
    CHECK(has(timeline, "     0.11s      event evt_vs_ref_set (66036) 200\n"));
    CHECK(has(timeline, "     0.11s      lamp altpreselector, vcaltpreselector, altpreselectornosnd ALT on\n"));
    CHECK(has(timeline, "  set altitude 4321.5\n"));

    // Asked from a later line, only what came after.
    const int64_t next = page.now["timeline"]["next"];
    json later = json::parse(get(sim, "/api/state", "since=" + std::to_string(next)).body);
    CHECK(later["timeline"]["lines"].empty());
    CHECK(later["timeline"]["from"] == next);
}

#if !defined(__EMSCRIPTEN__)  // the simulation thread's own timing; the page's timer has its tests
TEST_CASE("the layout gives the page the session's cycle rate and the gauge lines' unit limit") {
    servetest::Sessions sim(servetest::options());
    Page page{sim};
    // A second of panel cycles, at the rate the page times itself by, is a panel second.
    const int per_second = page.panel["cycles_per_second"];
    const double start = page.now["time"];
    page.step(per_second);
    page.refresh();
    CHECK(page.now["time"].get<double>() - start == doctest::Approx(1.0));
    CHECK(page.panel["max_units"] == bench::PANEL_MAX_UNITS);
}

TEST_CASE("pause, one cycle and speed: the panel runs by itself until paused, and steps only when paused") {
    servetest::Sessions sim(servetest::options(false));
    // Running: cycles go by on their own (18 a second).
    int64_t first = servetest::state(sim)["cycle"];
    for (int tries = 0; tries < 200 && servetest::state(sim)["cycle"] == first; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    CHECK(servetest::state(sim)["cycle"] > first);

    serve::Response refused = post(sim, "/api/step", R"({"cycles":1})");
    CHECK(refused.status == 409);
    CHECK(refused.body == "the panel is running; pause it before stepping\n");

    CHECK(post(sim, "/api/pause", R"({"paused":true})").status == 200);
    json paused = servetest::state(sim);
    CHECK(paused["paused"] == true);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    CHECK(servetest::state(sim)["cycle"] == paused["cycle"]);
    CHECK(post(sim, "/api/step", R"({"cycles":3})").status == 200);
    CHECK(servetest::state(sim)["cycle"] == paused["cycle"].get<int64_t>() + 3);

    CHECK(post(sim, "/api/speed", R"({"speed":16})").status == 200);
    CHECK(servetest::state(sim)["speed"] == 16);
    CHECK(post(sim, "/api/pause", R"({"paused":false})").status == 200);
    CHECK(servetest::state(sim)["paused"] == false);
}
#endif

namespace {

// A session of clicks, a setting and a flight with chimes, exported; `last_line` is its timeline's last.
std::string record_session(std::string& last_line) {
    servetest::Sessions sim(servetest::options());
    Page page{sim};
    page.step();
    page.click("altpreselector", "ALT");
    page.step(5);
    page.click("altpreselector", "knob-inc");
    page.step(2);
    page.click("altpreselector", "DTA");
    page.click("altpreselector", "ALR");
    page.step(36);  // two seconds: the armed alerter chimes
    CHECK(post(sim, "/api/click", R"({"gauge":"autopilot","x":3,"y":3})").status == 200);  // between areas
    CHECK(post(sim, "/api/set", R"({"token":"ap_vs_ref","value":700})").status == 200);
    page.click("autopilot", "ARM");
    page.step(18 * 5);
    page.refresh();
    REQUIRE(page.now["chimes"] > 0);

    serve::Response exported = get(sim, "/api/session.pbs");
    REQUIRE(exported.status == 200);
    const std::string& text = exported.body;
    INFO(text);
    CHECK(exported.headers.front().second == "attachment; filename=\"session.pbs\"");
    CHECK(has(text, "place altpreselector\nplace vcaltpreselector\n"));
    CHECK(has(text, "set baro 29.92\n"));
    CHECK(has(text, "cycles 1\nclick altpreselector 40,83  # ALT\ncycles 5\n"));
    CHECK(has(text, "click autopilot 3,3\n"));
    CHECK(has(text, "fly 2\n"));
    CHECK(has(text, "expect chimes " + std::to_string(page.now["chimes"].get<int>()) + "\n"));
    CHECK(has(text, "expect lamp altpreselector ALR on\n"));
    CHECK(has(text, "expect text altpreselector altitude \" 4.0\"\n"));
    // The display-only rendition has no baro read-out of its own; nothing is expected of one.
    CHECK_FALSE(has(text, "expect lamp vcaltpreselector #"));

    last_line = servetest::state(sim)["timeline"]["lines"].back().get<std::string>();
    return text;
}

// Replays an exported session in this process; the server's host must be gone first.
std::string replay(const std::string& text) {
    bench::Script script = bench::parse_script(text, "session.pbs");
    bench::RunOptions run;
    run.module_path = servetest::module_path;
    run.sound_path = servetest::sound_path;
    run.snapshots = false;
    std::ostringstream timeline, errors;
    int result = bench::run_script(script, run, timeline, errors);
    INFO(errors.str());
    CHECK(result == bench::RUN_PASSED);
    return timeline.str();
}

}  // namespace

TEST_CASE("a session becomes a scenario that replays and passes, its timeline the session's own") {
    std::string last_line;
    std::string text = record_session(last_line);
#if defined(__EMSCRIPTEN__)
    // The linked-in module starts afresh only with its program instance:
    // here the recording is checked, and the browser test replays it.
    (void)&replay;
#else
    CHECK(has(replay(text), last_line + "\n"));
#endif
}

#if !defined(__EMSCRIPTEN__)  // there a new session is a new program instance, which the page makes
TEST_CASE("a new session starts over: a fresh module, an empty timeline and recording") {
    servetest::Sessions sim(servetest::options());
    Page page{sim};
    page.step(3);
    page.click("altpreselector", "ALT");
    page.step();
    CHECK(post(sim, "/api/reset", "{}").status == 200);
    json fresh = servetest::state(sim);
    CHECK(fresh["cycle"] == 0);
    CHECK(fresh["actions"] == 4);  // the start's four settings
    // A page that knew the longer timeline of the old session gets the new one from its start.
    json caught_up = json::parse(get(sim, "/api/state", "since=9999").body);
    CHECK(caught_up["timeline"]["from"] == 0);
    CHECK(has(caught_up["timeline"]["lines"][0].get<std::string>(), "place altpreselector"));
    page.step();
    page.refresh();
    CHECK_FALSE(page.lamp("altpreselector", "ALT"));
    CHECK_FALSE(has(get(sim, "/api/session.pbs").body, "click"));
}
#endif

TEST_CASE("the page reads and sets in ft, ft/min and inHg; a token named by number takes the module's unit") {
    servetest::Sessions sim(servetest::options());
    Page page{sim};
    CHECK(page.panel["ranges"]["vertical_speed"]["high"] == 6000);
    CHECK(page.panel["ranges"]["ap_vs_ref"]["unit"] == "ft/min");
    CHECK(post(sim, "/api/set", R"({"token":"altitude","value":-1000})").status == 200);  // the range's ends are in it
    CHECK(post(sim, "/api/set", R"({"token":"altitude","value":8000})").status == 200);
    CHECK(post(sim, "/api/set", R"({"token":"vertical_speed","value":1000})").status == 200);
    page.refresh();
    CHECK(page.now["tokens"]["vertical_speed"].get<double>() == doctest::Approx(1000));
    CHECK(page.now["vs_fpm"].get<double>() == doctest::Approx(1000));
    CHECK(post(sim, "/api/set", R"({"token":"65","value":-650.24})").status == 200);
    page.step(18);
    page.refresh();
    CHECK(page.now["tokens"]["vertical_speed"].get<double>() == doctest::Approx(-500));
    CHECK(page.text("autopilot", "vs") == "-5");
    std::string timeline;
    for (const json& line : page.now["timeline"]["lines"]) timeline += line.get<std::string>() + "\n";
    CHECK(has(timeline, "  set vertical_speed 1000\n"));
    CHECK(has(timeline, "  set 65 -650.24\n"));
    const std::string text = get(sim, "/api/session.pbs").body;
    CHECK(has(text, "set vertical_speed 1000\nset 65 -650.24\n"));
}

TEST_CASE("a known path asked with another method answers 405 naming its own; bad JSON gets the path's example") {
    servetest::Sessions sim(servetest::options());
    const std::vector<std::string> get_paths = {"/", "/panel.js", "/panel.css", "/fonts/dseg7.ttf", "/api/panel",
                                                "/api/state", "/api/session.pbs", "/api/bitmap/5120.png"};
    const std::vector<std::string> post_paths = {"/api/click", "/api/set",   "/api/pause",
                                                 "/api/step",  "/api/speed", "/api/reset"};
    for (const std::string& path : get_paths) {
#if defined(__EMSCRIPTEN__)
        if (!path.starts_with("/api/")) continue;  // the page file carries its own page and faces
#endif
        for (const char* method : {"POST", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
            CAPTURE(path);
            CAPTURE(method);
            serve::Response r = serve::handle(sim, {.method = method, .path = path, .query = "", .body = "{}"});
            CHECK(r.status == 405);
            CHECK(r.body == path + " takes GET, HEAD\n");
            REQUIRE(r.headers.size() == 1);
            CHECK(r.headers[0] == std::pair<std::string, std::string>("Allow", "GET, HEAD"));
        }
    }
    for (const std::string& path : post_paths) {
        for (const char* method : {"GET", "HEAD", "PUT", "DELETE", "PATCH", "OPTIONS"}) {
            CAPTURE(path);
            CAPTURE(method);
            serve::Response r = serve::handle(sim, {.method = method, .path = path, .query = "", .body = ""});
            CHECK(r.status == 405);
            CHECK(r.body == path + " takes POST\n");
            REQUIRE(r.headers.size() == 1);
            CHECK(r.headers[0] == std::pair<std::string, std::string>("Allow", "POST"));
        }
        CAPTURE(path);
        serve::Response bad = post(sim, path, "{\"token\":");
        CHECK(bad.status == 400);
        CHECK(has(bad.body, "the body must be a JSON object, as in {"));
    }
    CHECK(has(post(sim, "/api/set", "{").body, R"(as in {"token":"altitude","value":3000})"));
    CHECK(has(post(sim, "/api/click", "{").body, R"(as in {"gauge":"autopilot")"));
    CHECK(has(post(sim, "/api/speed", "{").body, R"(as in {"speed":4})"));
}

TEST_CASE("bad input gets a one-line 4xx answer and the server goes on serving") {
    servetest::Sessions sim(servetest::options());
    struct Case {
        const char* method;
        const char* path;
        std::string body;
        int status;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"POST", "/api/click", R"({"gauge":"clock","x":1,"y":1})", 400, "no gauge named \"clock\" on this panel"},
        {"POST", "/api/click", R"({"gauge":"autopilot","x":500,"y":1})", 400,
         "the point 500,1 is outside \"autopilot\" (500 by 119)"},
        {"POST", "/api/click", R"({"gauge":"autopilot","x":-1,"y":1})", 400, "is outside \"autopilot\""},
        {"POST", "/api/click", R"({"gauge":"autopilot","x":"ten","y":1})", 400, "\"x\" must be a number"},
        {"POST", "/api/click", R"({"gauge":"autopilot","x":1.5,"y":1})", 400, "\"x\" must be a whole number"},
        {"POST", "/api/click", R"({"gauge":"autopilot","x":1e300,"y":1})", 400, "\"x\" must be a whole number"},
        {"POST", "/api/click", R"({"gauge":"autopilot","y":1})", 400, "the body lacks \"x\""},
        {"POST", "/api/click", R"({"gauge":7,"x":1,"y":1})", 400, "\"gauge\" must be a text"},
        {"POST", "/api/click", "gauge=autopilot&x=1&y=1", 400, "the body must be a JSON object"},
        {"POST", "/api/click", "[1,2]", 400, "the body must be a JSON object"},
        {"POST", "/api/set", R"({"token":"altitude","value":NaN})", 400,
         R"(the body must be a JSON object, as in {"token":"altitude","value":3000})"},
        {"POST", "/api/step", "{cycles:1}", 400, R"(the body must be a JSON object, as in {"cycles":1})"},
        {"POST", "/api/set", R"({"token":"altitude","value":"NaN"})", 400, "\"value\" must be a number"},
        {"POST", "/api/set", R"({"token":"altitude","value":1e999})", 400, "the body must be a JSON object"},
        {"POST", "/api/set", R"({"token":"altitude","value":2e9})", 400, "within plus or minus 1e9"},
        {"POST", "/api/set", R"({"token":"fuel","value":1})", 400, "unknown token \"fuel\""},
        {"POST", "/api/speed", R"({"speed":3})", 400, "\"speed\" must be 1, 4 or 16"},
        {"POST", "/api/step", R"({"cycles":0})", 400, "\"cycles\" must be a whole number from 1 to 18"},
        {"POST", "/api/step", R"({"cycles":19})", 400, "\"cycles\" must be a whole number from 1 to 18"},
        {"POST", "/api/pause", R"({"paused":"yes"})", 400, "\"paused\" must be true or false"},
        {"POST", "/api/click", std::string(serve::MAX_BODY + 1, ' '), 413, "at most 16384 are taken"},
        {"GET", "/api/nothing", "", 404, "nothing at /api/nothing"},
        {"GET", "/api/bitmap/99.png", "", 404, "no gauge on this panel shows bitmap 99"},
        {"GET", "/api/bitmap/../../etc/passwd.png", "", 404, "bitmaps are named by number"},
        {"GET", "/api/click", "", 405, "/api/click takes POST"},
        {"POST", "/api/state", "{}", 405, "/api/state takes GET, HEAD"},
        {"DELETE", "/api/state", "", 405, "/api/state takes GET, HEAD"},
        {"PUT", "/api/nothing", "", 405, "method PUT is not served here"},
        {"POST", "/api/set", R"({"token":"altitude","value":60001})", 400,
         "altitude must lie from -1000 to 60000 ft (60001 is outside)"},
        {"POST", "/api/set", R"({"token":"vertical_speed","value":-6001})", 400,
         "vertical_speed must lie from -6000 to 6000 ft/min"},
        {"POST", "/api/set", R"({"token":"65","value":7900})", 400, "vertical_speed must lie from -6000 to 6000 ft/min"},
        {"POST", "/api/set", R"({"token":"ap_alt_ref","value":-100})", 400, "ap_alt_ref must lie from 0 to 60000 ft"},
        {"POST", "/api/set", R"({"token":"ap_vs_ref","value":1700})", 400, "ap_vs_ref must lie from -1600 to 1600"},
        {"POST", "/api/set", R"({"token":"baro","value":2992})", 400, "baro must lie from 28 to 31.5 inHg"},
        {"POST", "/api/nothing", "{}", 404, "nothing to post to at /api/nothing"},
        {"POST", "/api/click", "{\"gauge\":\"a\\nb\",\"x\":1,\"y\":1}", 400, "no gauge named \"a?b\""},
    };
    for (const Case& c : cases) {
        const std::string path = c.path;
        CAPTURE(path);
        CAPTURE(c.body.substr(0, 80));
        serve::Response r = serve::handle(sim, {.method = c.method, .path = c.path, .query = "", .body = c.body});
        CHECK(r.status == c.status);
        CHECK(has(r.body, c.message));
        CHECK(r.body.find('\n') == r.body.size() - 1);  // one line
    }
    for (const char* query : {"since=-1", "since=x", "since=99999999999999999999999"}) {
        CAPTURE(query);
        CHECK(get(sim, "/api/state", query).status == 400);
    }
    // None of it was recorded or changed the session.
    json now = servetest::state(sim);
    CHECK(now["actions"] == 4);
    CHECK(now["tokens"]["altitude"] == 2500);
    CHECK_FALSE(has(get(sim, "/api/session.pbs").body, "click"));
}
