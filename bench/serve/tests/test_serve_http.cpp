// The HTTP server itself: several clients at once while the panel runs, and
// a port already taken refused in one line.
#include "bench/serve/tests/serve_support.h"

#include <httplib.h>

#include <atomic>
#include <thread>
#include <vector>

#include "bench/common/script.h"
#include "bench/serve/document.h"
#include "bench/serve/http_server.h"
#include "bench/serve/own_origin.h"
#include "bench/serve/tests/running_server.h"

using nlohmann::json;

TEST_CASE("several clients at once, while the panel runs: every answer whole, every click recorded") {
    serve::SimulationThread sim(servetest::options(false));
    Running running(sim);
    REQUIRE(running.port > 0);
    constexpr int CLIENTS = 4, CLICKS = 15;
    std::atomic<int> failures{0}, states{0};
    const httplib::Headers from_page{{serve::TOKEN_HEADER, running.server.token()}};  // as the page sends
    std::vector<std::thread> clients;
    for (int c = 0; c < CLIENTS; ++c)
        clients.emplace_back([&, c] {
            httplib::Client client(serve::HttpServer::HOST, running.port);
            client.set_read_timeout(10, 0);
            for (int i = 0; i < CLICKS; ++i) {
                // Alternately the knob's two sides, and a state read between.
                json click{{"gauge", "autopilot"}, {"x", (c + i) % 2 ? 470 : 452}, {"y", 80}};
                auto posted = client.Post("/api/click", from_page, click.dump(), "application/json");
                if (!posted || posted->status != 200) ++failures;
                auto read = client.Get("/api/state?since=0");
                if (!read || read->status != 200 || !json::accept(read->body)) ++failures;
                else ++states;
            }
            auto page = client.Get("/");
            if (!page || page->status != 200 || page->get_header_value("Content-Type") != "text/html; charset=utf-8")
                ++failures;
        });
    for (std::thread& t : clients) t.join();
    CHECK(failures == 0);
    CHECK(states == CLIENTS * CLICKS);
    // The panel ran meanwhile (or goes on running, if the clients were quicker than a cycle).
    for (int tries = 0; tries < 200 && servetest::state(sim)["cycle"] == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    CHECK(servetest::state(sim)["cycle"] > 0);
    json now = servetest::state(sim);
    CHECK(now["actions"] == 4 + CLIENTS * CLICKS);
    // Each click is one line of the exported session.
    std::string script = serve::handle(sim, {.method = "GET", .path = "/api/session.pbs"}).body;
    size_t clicks = 0;
    for (size_t at = script.find("\nclick autopilot "); at != std::string::npos;
         at = script.find("\nclick autopilot ", at + 1))
        ++clicks;
    CHECK(clicks == size_t(CLIENTS * CLICKS));
    // Bad input over the wire is refused the same way, and the server keeps serving.
    httplib::Client client(serve::HttpServer::HOST, running.port);
    // A body over a request's limit is answered by the handler; one far over
    // every limit (a document's included) is cut off by the server itself.
    auto big = client.Post("/api/set", from_page, std::string(100000, '{'), "application/json");
    REQUIRE(big);
    CHECK(big->status == 413);
    CHECK(big->body == "the body is 100000 bytes; at most 16384 are taken\n");
    const size_t most = serve::DOCUMENT_MAX_BODY + serve::MAX_BODY * 4;
    auto huge = client.Post("/api/panel/open", std::string(most + 1, '{'), "application/json");
    REQUIRE(huge);
    CHECK(huge->status == 413);
    CHECK(huge->body == "the body is larger than the " + std::to_string(most) + " bytes the server takes\n");
    auto after = client.Get("/api/state");
    REQUIRE(after);
    CHECK(after->status == 200);
}

TEST_CASE("a port in use is refused in one line") {
    serve::SimulationThread sim(servetest::options());
    Running first(sim);
    serve::HttpServer second(sim);
    try {
        second.bind(first.port);
        FAIL("the second server bound a port in use");
    } catch (const bench::BenchError& e) {
        CHECK(std::string(e.what()) == "cannot listen on 127.0.0.1:" + std::to_string(first.port) +
                                           ": the port is in use (choose another with --port N, or --port 0 for any "
                                           "free one)");
    }
}
