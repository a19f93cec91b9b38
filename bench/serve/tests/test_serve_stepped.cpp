// The session the page's own timer steps (the WebAssembly build's): the time
// gone by becomes panel cycles at the chosen speed, a paused session makes
// no time up, a long gap runs a bounded number of cycles, and the requests
// are the server's.
#include "bench/serve/tests/serve_support.h"

#include <cmath>

#include "bench/serve/stepped_session.h"

using servetest::post;

TEST_CASE("a stepped session: cycles from the time gone by, at the speed chosen, none while paused") {
    serve::SteppedSession session(servetest::options(false));
    auto cycle = [&] { return servetest::state(session)["cycle"].get<int64_t>(); };

    // 18 cycles a second; fractions carry over from one call to the next.
    CHECK(session.advance(0.5) == 9);
    CHECK(session.advance(1.0 / 36) == 0);
    CHECK(session.advance(1.0 / 36) == 1);
    CHECK(cycle() == 10);

    CHECK(post(session, "/api/speed", R"({"speed":4})").status == 200);
    CHECK(session.advance(0.25) == 18);

    // Paused: the time is not made up once it runs again; one cycle steps.
    CHECK(post(session, "/api/pause", R"({"paused":true})").status == 200);
    CHECK(session.advance(10) == 0);
    CHECK(post(session, "/api/step", R"({"cycles":2})").status == 200);
    CHECK(cycle() == 30);
    CHECK(post(session, "/api/pause", R"({"paused":false})").status == 200);
    CHECK(session.advance(1.0 / 72) == 1);

    // A page left in the background comes back to a bounded catch-up, not a rush.
    CHECK(session.advance(3600) == serve::SteppedSession::MOST_CYCLES_AT_ONCE);
    CHECK(session.advance(0) == 0);
    for (double bad : {-1.0, std::nan(""), HUGE_VAL}) CHECK(session.advance(bad) == 0);
    CHECK(cycle() == 31 + serve::SteppedSession::MOST_CYCLES_AT_ONCE);

    // The requests behave as the server's: a click lights the preselector's ALT.
    CHECK(post(session, "/api/click", R"({"gauge":"altpreselector","x":40,"y":83})").status == 200);
    session.advance(1.0 / 18);
    CHECK(servetest::state(session)["timeline"]["lines"].dump().find("lamp altpreselector ALT on") != std::string::npos);
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
