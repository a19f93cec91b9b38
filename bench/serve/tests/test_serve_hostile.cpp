// The server against pages elsewhere and careless clients: a foreign Host
// (DNS rebinding), a foreign Origin, a body that is not JSON and a missing
// token are refused and change nothing, in the request handling and over
// the wire; slow clients do not hold the page's requests up; and a request
// answered 503 has had no effect.
#include "bench/serve/tests/serve_support.h"

#include <httplib.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "bench/serve/document.h"
#include "bench/serve/http_server.h"
#include "bench/serve/own_origin.h"
#include "bench/serve/tests/running_server.h"

using nlohmann::json;
using test::has;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int PORT = 8022;
const serve::OwnOrigin OWN{.port = PORT, .token = "0123456789abcdef0123456789abcdef"};

const std::string OPENED = "[Window00]\nsize_mm=600,200\ngauge00=vmq_Tavok22ap!autopilot, 10, 10, 500\n";
const std::string ATTACKERS = "[Window00]\nsize_mm=600,200\ngauge00=vmq_Tavok22ap!annunciator, 0, 0, 300\n";

std::string open_body(const std::string& bytes) {
    return json{{"name", "panel.cfg"}, {"original", serve::base64_encode(bytes)}}.dump();
}

// A request as a browser on the served page sends it; the tests take parts away or change them.
serve::Request from_page(const std::string& method, const std::string& path, const std::string& body = "") {
    serve::Request r{.method = method, .path = path, .body = body, .host = "127.0.0.1:8022"};
    if (method != "GET") {
        r.origin = "http://127.0.0.1:8022";
        r.content_type = "application/json";
        r.token = OWN.token;
    }
    return r;
}

// One line ending in a newline.
bool one_line(const std::string& body) { return !body.empty() && body.find('\n') == body.size() - 1; }

}  // namespace

TEST_CASE("only the own origin drives the server: a foreign Host, Origin, body type or token changes nothing") {
    serve::ServeOptions options = servetest::options();
    options.document = serve::PanelDocument{.name = "panel.cfg", .original = OPENED, .current = OPENED};
    serve::SimulationThread sim(options);

    // The page and a script on this machine (curl sends no Origin) are served.
    for (const char* host : {"127.0.0.1:8022", "localhost:8022", "LocalHost:8022", "[::1]:8022"}) {
        serve::Request r = from_page("GET", "/api/panel.cfg");
        r.host = host;
        CAPTURE(host);
        CHECK(serve::handle(sim, r, OWN).status == 200);
    }
    const serve::Response token = serve::handle(sim, from_page("GET", "/api/token"), OWN);
    CHECK(token.status == 200);
    CHECK(json::parse(token.body)["token"] == OWN.token);

    // A foreign Host: a name an attacker's server resolved anew to 127.0.0.1
    // reads neither the file nor the token.
    for (std::optional<std::string> host : {std::optional<std::string>("attacker.example:8022"),
                                           std::optional<std::string>("127.0.0.1:8023"),
                                           std::optional<std::string>("127.0.0.1"),
                                           std::optional<std::string>("127.0.0.1:8022.attacker.example"),
                                           std::optional<std::string>()}) {
        for (const char* path : {"/api/panel.cfg", "/api/token", "/"}) {
            serve::Request r = from_page("GET", path);
            r.host = host;
            const std::string shown = host.value_or("(none)");
            CAPTURE(shown);
            CAPTURE(path);
            const serve::Response answer = serve::handle(sim, r, OWN);
            CHECK(answer.status == 403);
            CHECK(has(answer.body, "this server answers only at http://127.0.0.1:8022/"));
            CHECK(one_line(answer.body));
        }
    }

    // A page elsewhere: what it sends is refused, whatever else it carries.
    struct Case {
        const char* what;
        serve::Request request;
        int status;
        const char* message;
    };
    std::vector<Case> cases;
    auto attack = [&](const char* what, auto change, int status, const char* message) {
        serve::Request r = from_page("POST", "/api/panel/open", open_body(ATTACKERS));
        change(r);
        cases.push_back({what, r, status, message});
    };
    attack("a foreign origin", [](serve::Request& r) { r.origin = "http://attacker.example"; }, 403,
           "a page at \"http://attacker.example\" may not use this server");
    attack("a sandboxed page", [](serve::Request& r) { r.origin = "null"; }, 403, "a page at \"null\"");
    attack("another port of this machine", [](serve::Request& r) { r.origin = "http://localhost:8023"; }, 403,
           "may not use this server");
    attack("a form's body, sent without asking first", [](serve::Request& r) { r.content_type = "text/plain"; }, 415,
           "is sent as application/json");
    attack("no content type", [](serve::Request& r) { r.content_type.reset(); }, 415, "application/json");
    attack("no token", [](serve::Request& r) { r.token.reset(); }, 403, "carries this run's token in X-Panelbench-Token");
    attack("a wrong token", [](serve::Request& r) { r.token = std::string(32, '0'); }, 403, "this run's token");
    attack("a token one character short", [](serve::Request& r) { r.token->pop_back(); }, 403, "this run's token");
    {
        serve::Request reset = from_page("POST", "/api/reset", "{}");
        reset.token.reset();
        cases.push_back({"a new session without the token", reset, 403, "this run's token"});
        serve::Request click = from_page("POST", "/api/click", R"({"gauge":"autopilot","x":460,"y":80})");
        click.origin = "http://attacker.example";
        cases.push_back({"a click from elsewhere", click, 403, "may not use this server"});
        serve::Request preflight = from_page("OPTIONS", "/api/panel/open");
        preflight.origin = "http://attacker.example";
        preflight.content_type.reset();
        preflight.token.reset();
        cases.push_back({"the question a browser asks first", preflight, 403, "may not use this server"});
    }
    for (const Case& c : cases) {
        CAPTURE(c.what);
        const serve::Response answer = serve::handle(sim, c.request, OWN);
        CHECK(answer.status == c.status);
        CHECK(has(answer.body, c.message));
        CHECK(one_line(answer.body));
        CHECK(answer.headers.empty());  // no Access-Control-Allow-...: a browser grants a page elsewhere nothing
    }
    // None of it reached the session: the file is the one opened, nothing recorded.
    CHECK(serve::handle(sim, from_page("GET", "/api/panel.cfg"), OWN).body == OPENED);
    CHECK(servetest::state(sim)["actions"] == 4);

    // The page's own request, with a content type's parameters, is served.
    serve::Request own = from_page("POST", "/api/click", R"({"gauge":"autopilot","x":460,"y":80})");
    own.content_type = "Application/JSON; charset=utf-8";
    CHECK(serve::handle(sim, own, OWN).status == 200);
    own.origin.reset();  // a script sends no Origin
    CHECK(serve::handle(sim, own, OWN).status == 200);
    CHECK(servetest::state(sim)["actions"] == 6);
}

TEST_CASE("over the wire: a script reads as before, a rebinding page and a cross-origin post are refused") {
    serve::ServeOptions options = servetest::options();
    options.document = serve::PanelDocument{.name = "panel.cfg", .original = OPENED, .current = OPENED};
    serve::SimulationThread sim(options);
    Running running(sim);
    httplib::Client client(serve::HttpServer::HOST, running.port);
    client.set_read_timeout(10, 0);

    // As curl reads it.
    auto read = client.Get("/api/panel.cfg");
    REQUIRE(read);
    CHECK(read->status == 200);
    CHECK(read->body == OPENED);
    CHECK(read->get_header_value("X-Content-Type-Options") == "nosniff");

    auto rebound = client.Get("/api/panel.cfg", {{"Host", "attacker.example:" + std::to_string(running.port)}});
    REQUIRE(rebound);
    CHECK(rebound->status == 403);
    CHECK(rebound->body == "this server answers only at http://127.0.0.1:" + std::to_string(running.port) +
                               "/ (the request's Host is \"attacker.example:" + std::to_string(running.port) + "\")\n");

    // What a form or a fetch without a preflight sends from a page elsewhere.
    auto posted = client.Post("/api/panel/open", {{"Origin", "http://attacker.example"}}, open_body(ATTACKERS),
                              "text/plain");
    REQUIRE(posted);
    CHECK(posted->status == 403);
    auto untyped = client.Post("/api/panel/open", running.page_headers(), open_body(ATTACKERS), "text/plain");
    REQUIRE(untyped);
    CHECK(untyped->status == 415);
    auto tokenless = client.Post("/api/panel/open", open_body(ATTACKERS), "application/json");
    REQUIRE(tokenless);
    CHECK(tokenless->status == 403);
    auto after = client.Get("/api/panel.cfg");
    REQUIRE(after);
    CHECK(after->body == OPENED);

    // The page reads the token and sends it.
    auto token = client.Get("/api/token");
    REQUIRE(token);
    REQUIRE(token->status == 200);
    CHECK(json::parse(token->body)["token"] == running.server.token());
    auto opened = client.Post("/api/panel/open", running.page_headers(), open_body(ATTACKERS), "application/json");
    REQUIRE(opened);
    CHECK(opened->status == 200);
    CHECK(client.Get("/api/panel.cfg")->body == ATTACKERS);

    // Two runs have two tokens.
    serve::HttpServer other(sim);
    CHECK(other.token() != running.server.token());
    CHECK(other.token().size() == 32);
}

TEST_CASE("64 slow clients leave the page answered within a second, and the server listens with the system's backlog") {
    serve::SimulationThread sim(servetest::options());
    Running running(sim);

    // The listening socket takes as many waiting connections as the system allows.
    int most = 0;
    std::ifstream("/proc/sys/net/core/somaxconn") >> most;
    bool found = false;
    for (int fd = 3; fd < 1024 && !found; ++fd) {
        sockaddr_in address{};
        socklen_t size = sizeof address;
        int listening = 0;
        socklen_t flag_size = sizeof listening;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0 || address.sin_family != AF_INET ||
            ntohs(address.sin_port) != running.port ||
            getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &flag_size) != 0 || !listening)
            continue;
        tcp_info info{};
        socklen_t info_size = sizeof info;
        REQUIRE(getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &info_size) == 0);
        CHECK(int(info.tcpi_sacked) == most);  // a listening socket's backlog
        found = true;
    }
    CHECK(found);

    // 64 connections, each sending its request's header a line at a time,
    // half a second apart: never silent long enough to be closed.
    constexpr int SLOW = 64;
    std::vector<int> slow;
    for (int i = 0; i < SLOW; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        REQUIRE(fd >= 0);
        sockaddr_in to{.sin_family = AF_INET, .sin_port = htons(uint16_t(running.port))};
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        REQUIRE(connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0);
        slow.push_back(fd);
    }
    std::atomic<bool> done{false};
    std::thread trickle([&] {
        const std::string start = "GET /api/state HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(running.port) + "\r\n";
        for (int fd : slow) send(fd, start.data(), start.size(), MSG_NOSIGNAL);
        for (int line = 0; !done; ++line) {
            for (int i = 0; i < 5 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const std::string header = "X-Slow-" + std::to_string(line) + ": 1\r\n";
            for (int fd : slow) send(fd, header.data(), header.size(), MSG_NOSIGNAL);
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // every slow connection taken up

    // The page goes on: a read and a click, over new connections, each answered within the second.
    const Clock::time_point until = Clock::now() + std::chrono::milliseconds(2500);
    int answered = 0;
    double slowest = 0;
    while (Clock::now() < until) {
        httplib::Client page(serve::HttpServer::HOST, running.port);
        page.set_connection_timeout(1, 0);
        page.set_read_timeout(1, 0);
        const Clock::time_point asked = Clock::now();
        auto read = page.Get("/api/state");
        auto click = page.Post("/api/click", running.page_headers(), R"({"gauge":"autopilot","x":460,"y":80})",
                               "application/json");
        slowest = std::max(slowest, std::chrono::duration<double>(Clock::now() - asked).count() / 2);
        CHECK((read && read->status == 200));
        CHECK((click && click->status == 200));
        if (!read || !click) break;
        ++answered;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    done = true;
    trickle.join();
    for (int fd : slow) close(fd);
    CAPTURE(slowest);
    CHECK(answered >= 3);
    CHECK(slowest < 1.0);
}

TEST_CASE("a request answered 503 has had no effect; one begun late is awaited and answered with what it did") {
    serve::ServeOptions options = servetest::options();
    options.answer_within = std::chrono::milliseconds(300);
    serve::SimulationThread sim(options);
    REQUIRE(servetest::post(sim, "/api/step", R"({"cycles":1})").status == 200);

    // The thread is held (a slow cycle, a debugger) for longer than a request waits.
    std::atomic<bool> begun{false}, release{false}, held_answered{false};
    std::thread holder([&] {
        try {
            sim.run([&](serve::Session&) {
                begun = true;
                while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            });
            held_answered = true;
        } catch (const serve::RequestError&) {
        }
    });
    for (int tries = 0; tries < 500 && !begun; ++tries) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!begun) {
        release = true;
        holder.join();
        FAIL("the simulation thread never began the holder's work");
    }
    const serve::Response click = servetest::post(sim, "/api/click", R"({"gauge":"autopilot","x":460,"y":80})");
    CHECK(click.status == 503);
    CHECK(has(click.body, "nothing was done"));
    const serve::Response set = servetest::post(sim, "/api/set", R"({"token":"altitude","value":4000})");
    CHECK(set.status == 503);
    const serve::Response reset = servetest::post(sim, "/api/reset", "{}");
    CHECK(reset.status == 503);
    release = true;
    holder.join();
    CHECK(held_answered);  // the holder's own work was begun, so it was awaited past the limit, not refused

    // Neither the click, the setting nor the new session happened later:
    // what was answered as failed did not happen.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const json now = servetest::state(sim);
    CHECK(now["cycle"] == 1);
    CHECK(now["actions"] == 4);
    CHECK(now["tokens"]["altitude"] == 2500);

    // Work that takes longer than the limit once begun is answered with its result.
    const int result = sim.call([](serve::Session&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        return 7;
    });
    CHECK(result == 7);
}

TEST_CASE("a read-out typeface that is a FIFO is refused in one line, not read forever") {
    serve::SimulationThread sim(servetest::options());
    const std::string fifo = std::filesystem::temp_directory_path() / ("serve-typeface-" + std::to_string(getpid()));
    std::filesystem::remove(fifo);
    REQUIRE(mkfifo(fifo.c_str(), 0600) == 0);
    const char* before = std::getenv("PANELBENCH_FONT");
    const std::string kept = before ? before : "";
    setenv("PANELBENCH_FONT", fifo.c_str(), 1);
    const serve::Response font = servetest::get(sim, "/fonts/dseg7.ttf");
    if (kept.empty()) unsetenv("PANELBENCH_FONT");
    else setenv("PANELBENCH_FONT", kept.c_str(), 1);
    std::filesystem::remove(fifo);
    CHECK(font.status == 404);
    CHECK(one_line(font.body));
    CHECK(has(font.body, "FIFO"));
}
