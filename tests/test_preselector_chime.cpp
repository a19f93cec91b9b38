// The preselectors' service callbacks: loading and playing the chime, the
// retry after a failed play, the references refreshed at drawing, ids that
// mean nothing, and a machine with no sound library at all.
#include "tests/test_preselector.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace presel;

namespace {
const char* const CHIME_FILE = "Sound\\dingdong.wav";

// Normal mode with the aircraft 10000 ft below the reference: each call
// arms the alerter afresh, evaluates it once (one request) and disarms it.
struct Requests {
    panelhost::Gauge& gauge;
    Requests(panelhost::Host& host, panelhost::Gauge& g) : gauge(g) {
        host.set_token(TOKEN_AP_ALT_REF, 10000);
        press(gauge, DTA_BUTTON);
    }
    void raise() {
        press(gauge, ALR_BUTTON);
        evaluate(gauge);
        press(gauge, ALR_BUTTON);
    }
};

// Whether any sound library is loaded in this process, by the name the
// module looks for.
bool sound_library_loaded() {
#if defined(_WIN32)
    return GetModuleHandleA("FSSound.dll") != nullptr;
#else
    void* library = dlopen("FSSound.so", RTLD_LAZY | RTLD_NOLOAD);
    if (library) dlclose(library);
    return library != nullptr;
#endif
}

std::string ops(panelhost::Host& host) {
    std::string out;
    for (const standin_call& call : host.sound().calls())
        out += std::string(out.empty() ? "" : " ") + (call.op == STANDIN_OP_LOAD ? "load" : "play") + "=" +
               std::to_string(call.result);
    return out;
}
}  // namespace

TEST_CASE("installing altpreselector loads the chime; the other two never do") {
    auto host = test::load();
    host->place("vcaltpreselector").cycle();
    host->place("altpreselectornosnd").cycle();
    CHECK(host->sound().calls().empty());

    auto& first = host->place("altpreselector");
    host->place("altpreselector");  // a second install loads again; its handle is the one played
    auto calls = host->sound().calls();
    REQUIRE(calls.size() == 2);
    for (const standin_call& call : calls) {
        CHECK(call.op == STANDIN_OP_LOAD);
        CHECK(std::string(call.file) == CHIME_FILE);
    }
    Requests requests(*host, first);
    requests.raise();
    first.service(SERVICE_UPDATE);
    calls = host->sound().calls();
    REQUIRE(calls.size() == 3);
    CHECK(calls[2].op == STANDIN_OP_PLAY);
    CHECK(calls[2].handle == calls[1].handle);
    CHECK(calls[2].argument == 0);
}

TEST_CASE("update service takes pending requests: both at once play twice") {
    auto host = test::load();
    host->set_token(TOKEN_AP_ALT_REF, 10000);
    auto& gauge = host->place("altpreselector");
    press(gauge, DH_BUTTON);
    press(gauge, KNOB_INC, 2);
    press(gauge, DTA_BUTTON);
    press(gauge, ALR_BUTTON);
    evaluate(gauge);  // decision height and alerter together
    gauge.service(SERVICE_UPDATE);
    CHECK(ops(*host) == "load=1 play=1 play=1");
    gauge.service(SERVICE_UPDATE);  // taken: nothing left
    CHECK(ops(*host) == "load=1 play=1 play=1");
}

TEST_CASE("a chime that never loaded stays silent, and requests are still taken") {
    auto host = test::load();
    host->sound().queue(STANDIN_OP_LOAD, 0);
    auto& gauge = host->place("altpreselector");
    Requests requests(*host, gauge);
    requests.raise();
    gauge.service(SERVICE_UPDATE);
    CHECK(ops(*host) == "load=0");
    // The next install loads it; the earlier request is gone.
    gauge.service(SERVICE_INSTALL);
    gauge.service(SERVICE_UPDATE);
    CHECK(ops(*host) == "load=0 load=1");
    requests.raise();
    gauge.service(SERVICE_UPDATE);
    CHECK(ops(*host) == "load=0 load=1 play=1");
}

TEST_CASE("a failed play reloads once and replays only on a load of exactly 1") {
    auto host = test::load();
    auto& gauge = host->place("altpreselector");
    Requests requests(*host, gauge);
    host->sound().queue(STANDIN_OP_PLAY, 0);

    SUBCASE("reload 1: played again, that result unexamined; the chime stays enabled") {
        host->sound().queue(STANDIN_OP_LOAD, 1);
        host->sound().queue(STANDIN_OP_PLAY, 0);
        requests.raise();
        gauge.service(SERVICE_UPDATE);
        CHECK(ops(*host) == "load=1 play=0 load=1 play=0");
        auto calls = host->sound().calls();
        CHECK(calls[3].handle == calls[2].handle);
        requests.raise();
        gauge.service(SERVICE_UPDATE);
        CHECK(ops(*host) == "load=1 play=0 load=1 play=0 play=1");
    }
    SUBCASE("reload 0: silent until the next install") {
        host->sound().queue(STANDIN_OP_LOAD, 0);
        requests.raise();
        gauge.service(SERVICE_UPDATE);
        requests.raise();
        gauge.service(SERVICE_UPDATE);
        CHECK(ops(*host) == "load=1 play=0 load=0");
        gauge.service(SERVICE_INSTALL);
        requests.raise();
        gauge.service(SERVICE_UPDATE);
        CHECK(ops(*host) == "load=1 play=0 load=0 load=1 play=1");
    }
    SUBCASE("reload of another value: no replay, but the next request plays its handle") {
        host->sound().queue(STANDIN_OP_LOAD, 2);
        requests.raise();
        gauge.service(SERVICE_UPDATE);
        requests.raise();
        gauge.service(SERVICE_UPDATE);
        CHECK(ops(*host) == "load=1 play=0 load=2 play=1");
        auto calls = host->sound().calls();
        CHECK(calls[3].handle == calls[2].handle);
    }
}

TEST_CASE("drawing refreshes the vertical-speed then the altitude reference, on every rendition") {
    auto host = test::load();
    for (const char* name : {"altpreselector", "vcaltpreselector", "altpreselectornosnd"}) {
        CAPTURE(name);
        auto& gauge = host->place(name);
        host->clear_logs();
        gauge.draw();
        REQUIRE(host->lookups().size() == 2);
        CHECK(host->lookups()[0].token == TOKEN_AP_VS_REF);
        CHECK(host->lookups()[1].token == TOKEN_AP_ALT_REF);
        CHECK(host->events().empty());
    }
}

TEST_CASE("service ids a callback does not serve change nothing") {
    auto host = test::load();
    auto& panel = host->place("altpreselector");
    auto& vc = host->place("vcaltpreselector");
    auto& nosnd = host->place("altpreselectornosnd");
    Requests requests(*host, panel);
    requests.raise();
    std::string before = shows(vc);
    requests.raise();  // pending through everything below
    host->clear_logs();
    size_t sound_calls = host->sound().calls().size();

    const int32_t unknown[] = {INT32_MIN, -10, -1, 0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 100, INT32_MAX};
    for (int32_t id : unknown)
        for (auto* gauge : {&panel, &vc, &nosnd}) gauge->service(id, 0xFFFFFFFF);
    for (int32_t id : {SERVICE_INSTALL, SERVICE_UPDATE})
        for (auto* gauge : {&vc, &nosnd}) gauge->service(id);
    CHECK(host->lookups().empty());
    CHECK(host->events().empty());
    CHECK(host->sound().calls().size() == sound_calls);

    panel.service(SERVICE_UPDATE);  // the request was still there
    CHECK(host->sound().calls().size() == sound_calls + 1);
    CHECK(shows(vc) == before);
}

// The sound library, once the module has loaded it, stays loaded for the
// life of the process: a library's unload runs under the loader lock, where
// releasing another library is forbidden.
TEST_CASE("the module never releases the sound library, not even at its unload") {
    {
        auto host = test::load();
        REQUIRE(host->sound().installed());
        host->place("altpreselector");  // install: the chime is loaded, the library bound
        REQUIRE(host->sound().calls().size() == 1);
        host->gauges()[0]->service(SERVICE_INSTALL);
    }
    // The host has let go of its own reference and freed the module.
    CHECK(sound_library_loaded());
    {
        auto host = test::load();
        host->place("altpreselector");
        CHECK(host->sound().calls().size() == 1);
    }
    CHECK(sound_library_loaded());
}

// Needs a process in which no module has bound a sound library yet, since a
// bound one is never released: the test list runs it on its own.
TEST_CASE("with no sound library the module loads and every gauge works" * doctest::skip()) {
    auto host = test::load(false);
    REQUIRE_FALSE(host->sound().installed());
    REQUIRE_FALSE(sound_library_loaded());
    set_sources(*host);
    for (const char* name : {"autopilot", "annunciator", "vcaltpreselector", "altpreselectornosnd"})
        host->place(name).cycle();
    auto& panel = host->place("altpreselector");
    CHECK(shows(panel) == "ENT BARO | 29.9");
    press(panel, DH_BUTTON);
    press(panel, KNOB_INC, 2);
    press(panel, DTA_BUTTON);
    press(panel, ALR_BUTTON);
    for (double altitude : {0.0, 0.0, 6000.0, 9000.0}) {
        host->set_token(TOKEN_ALTITUDE, altitude);
        for (const auto& gauge : host->gauges()) gauge->cycle();
    }
    press(panel, ALT_BUTTON);
    CHECK(shows(panel) == "ALT ALR DH |  9.0");
    CHECK(shows(*host->gauges()[2]) == "ALT ALR DH |  9.0");
    panel.service(SERVICE_INSTALL);
    panel.cycle();
    CHECK_FALSE(sound_library_loaded());
}
