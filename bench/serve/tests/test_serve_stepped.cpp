// The session the page's own timer steps (the WebAssembly build's): the time
// gone by becomes panel cycles at the chosen speed, a paused session makes
// no time up, a long gap runs a bounded number of cycles, and the requests
// are the server's.
#include "bench/serve/tests/serve_support.h"

#include <cmath>

#include "bench/serve/document.h"
#include "bench/serve/stepped_session.h"

using servetest::post;

TEST_CASE("a stepped session: cycles from the time gone by, at the speed chosen, none while paused") {
    serve::SteppedSession session(servetest::options(false));
    auto cycle = [&] { return servetest::state(session)["cycle"].get<int64_t>(); };

    // Until a person acts only the first cycle runs, which draws the panel:
    // the session's clock starts at its first action.
    CHECK(session.advance(2.0) == 36);
    CHECK(cycle() == 1);
    CHECK(post(session, "/api/set", R"({"token":"altitude","value":2600})").status == 200);

    // 18 cycles a second; fractions carry over from one call to the next.
    CHECK(session.advance(0.5) == 9);
    CHECK(session.advance(1.0 / 36) == 0);
    CHECK(session.advance(1.0 / 36) == 1);
    CHECK(cycle() == 11);

    CHECK(post(session, "/api/speed", R"({"speed":4})").status == 200);
    CHECK(session.advance(0.25) == 18);

    // Paused: the time is not made up once it runs again; one cycle steps.
    CHECK(post(session, "/api/pause", R"({"paused":true})").status == 200);
    CHECK(session.advance(10) == 0);
    CHECK(post(session, "/api/step", R"({"cycles":2})").status == 200);
    CHECK(cycle() == 31);
    CHECK(post(session, "/api/pause", R"({"paused":false})").status == 200);
    CHECK(session.advance(1.0 / 72) == 1);

    // A page left in the background comes back to a bounded catch-up, not a rush.
    CHECK(session.advance(3600) == serve::SteppedSession::MOST_CYCLES_AT_ONCE);
    CHECK(session.advance(0) == 0);
    for (double bad : {-1.0, std::nan(""), HUGE_VAL}) CHECK(session.advance(bad) == 0);
    const int64_t before = 32 + serve::SteppedSession::MOST_CYCLES_AT_ONCE;
    CHECK(cycle() == before);

    // A click's answer is the state with the click drawn: the next cycle ran
    // at once, and the timer passes over it, so the time goes on as before.
    serve::Response clicked =
        post(session, "/api/click", R"({"gauge":"altpreselector","x":40,"y":83,"since":0})");
    CHECK(clicked.status == 200);
    nlohmann::json drawn = nlohmann::json::parse(clicked.body);
    CHECK(drawn["cycle"] == before + 1);
    CHECK(drawn["gauges"][0]["lamps"].get<std::string>().find('1') != std::string::npos);
    CHECK(drawn["timeline"]["lines"].dump().find("lamp altpreselector, vcaltpreselector, altpreselectornosnd ALT on") !=
          std::string::npos);
    session.advance(1.0 / 16);  // one cycle at x4, passed over: four due, three run
    CHECK(cycle() == before + 4);
    // A click's answer asked from a later line carries only what came after.
    const int64_t next = drawn["timeline"]["next"];
    nlohmann::json later = nlohmann::json::parse(
        post(session, "/api/click", R"({"gauge":"autopilot","x":3,"y":3,"since":)" + std::to_string(next) + "}").body);
    CHECK(later["timeline"]["from"] == next);
}

TEST_CASE("a session's download begins at its first action, not with the idle time before it") {
    serve::SteppedSession session(servetest::options(false));
    session.advance(30.0);
    session.advance(30.0);
    CHECK(post(session, "/api/click", R"({"gauge":"altpreselector","x":40,"y":83})").status == 200);
    session.advance(1.0);
    const std::string text = servetest::get(session, "/api/session.pbs").body;
    INFO(text);
    CHECK(text.find("set ap_master 1\ncycles 1\nclick altpreselector 40,83  # ALT\nfly 1\n") != std::string::npos);
}

TEST_CASE("a stepped session that may not start anew refuses a new session, and keeps its own") {
    serve::ServeOptions options = servetest::options();
    options.allow_reset = false;
    serve::SteppedSession session(options);
    CHECK(post(session, "/api/step", R"({"cycles":3})").status == 200);
    serve::Response refused = post(session, "/api/reset", "{}");
    CHECK(refused.status == 403);
    CHECK(servetest::state(session)["cycle"] == 3);
}

TEST_CASE("a stepped session refuses a gauge added past what a window holds, as the server does") {
    std::string text = "[Window00]\nsize_mm=1000,500\ngauge0=vmq_Tavok22ap!annunciator, 0, 0, 300\n";
    for (size_t i = 1; i < serve::DOCUMENT_MAX_GAUGES; ++i) text += "gauge" + std::to_string(i) + "=other!box, 1, 1, 1\n";
    serve::ServeOptions options = servetest::options();
    options.document = serve::PanelDocument{.name = "panel.cfg", .original = text, .current = text};
    serve::SteppedSession session(options);
    const serve::Response refused = post(session, "/api/panel/add", R"({"gauge":"autopilot"})");
    CHECK(refused.status == 400);
    CHECK(refused.body == "panel.cfg: [Window00] places 401 gauges; a window holds at most 400\n");
    CHECK(servetest::get(session, "/api/panel.cfg").body == text);
}
