// A panel costs the heap nothing: over 10,000 panel cycles of all five
// gauges, with clicks on every area between them and token values of every
// kind, no allocation is made while control is inside the module.
//
// Counting is on around each cycle and click and off inside the host's
// PANELS operations (the host's own logging is not the module's work). The
// host's logs and the sound stand-in's record are cleared between steps and
// have reached their working size during the warm-up, so the host side
// allocates nothing while counting is on either.
#include <dlfcn.h>

#include <cmath>
#include <limits>
#include <string>

#include "hardening/alloc/counting_heap.h"
#include "module/tokens.h"
#include "soundlib/standin.h"
#include "tests/support.h"

using hardening::HeapCountingPaused;
using panelhost::Gauge;
using panelhost::Host;

namespace {

// The host's PANELS operations, with counting paused while they run.
struct PausedPanels {
#define PAUSED_SERVICE(WORD, word, field, parameters, arguments) \
    static int32_t MODULE_CALL field parameters {                 \
        HeapCountingPaused p;                                     \
        return Host::panels()->field arguments;                   \
    }
    PANELS_SERVICES(PAUSED_SERVICE)
#undef PAUSED_SERVICE
};

// The host's own table, traps and all, with the nine services paused.
panelhost::PanelsTable paused_table() {
    panelhost::PanelsTable table = Host::table();
#define PAUSED_IN(WORD, word, field, parameters, arguments) table.services.field = PausedPanels::field;
    PANELS_SERVICES(PAUSED_IN)
#undef PAUSED_IN
    return table;
}

// Gives the stand-in's call record room for far more calls than one step
// makes, so that recording a chime never grows it while counting is on.
void reserve_sound_record(Host& host) {
    void* library = dlopen(test::sound_path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    REQUIRE(library != nullptr);
    auto play = reinterpret_cast<STANDIN_PLAY>(dlsym(library, "fssound_play"));
    REQUIRE((play != nullptr));
    for (int i = 0; i < 256; ++i) play(0, 0);
    host.sound().reset();
    dlclose(library);
}

std::string where(void* address) {
    Dl_info info{};
    if (!address || !dladdr(address, &info)) return "unknown";
    return std::string(info.dli_fname ? info.dli_fname : "?") + " in " + (info.dli_sname ? info.dli_sname : "?");
}

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

// Values the tokens take in turn: an ordinary flight and the host's
// extremes.
const double ALTITUDES[] = {0.0, 950.0, 4200.0, 7100.0, 7750.0, 8000.0, 8350.0, 9400.0, 99999.0, 1e300, -1e300,
                            NaN, INF, -INF, 2147483648.0, -2147483649.0};
const double SPEEDS[] = {0.0, 650.24, -650.24, 1300.48, -2600.96, 130.048, 1e300, NaN, -INF, 32768.0 * 1.30048};
const double REFERENCES[] = {8000.0, 8300.0, 1e6, -1e6, NaN, INF, 2147483647.0, 0.0};

}  // namespace

TEST_CASE("10,000 panel cycles of all five gauges, clicks between them, allocate nothing inside the module") {
    panelhost::HostOptions options = test::options();
    options.log_lookups = false;
    Host host(test::module_path, options);
    std::vector<Gauge*> gauges;
    for (const GAUGEHDR* header : host.gauge_table()) gauges.push_back(&host.place(header->name));
    REQUIRE(gauges.size() == MODULE_GAUGE_COUNT);
    panelhost::PanelsTable paused = paused_table();
    host.import_table()->panels.table = &paused.services;
    reserve_sound_record(host);

    // One click at the middle of every child area of every gauge.
    struct Click {
        Gauge* gauge;
        int x, y;
    };
    std::vector<Click> clicks;
    for (Gauge* g : gauges)
        for (const MOUSERECT* a : g->areas()) clicks.push_back({g, a->x + a->width / 2, a->y + a->height / 2});
    REQUIRE(clicks.size() == 29);

    int chimes = 0, events = 0;
    auto step = [&](size_t i, bool counted) {
        host.set_token(TOKEN_AP_MASTER, i % 7 == 0 ? 0.0 : 1.0);
        host.set_token(TOKEN_ALTITUDE, ALTITUDES[i % std::size(ALTITUDES)]);
        host.set_token(TOKEN_VERTICAL_SPEED, SPEEDS[i % std::size(SPEEDS)]);
        host.set_token(TOKEN_AP_ALT_REF, REFERENCES[(i / 3) % std::size(REFERENCES)]);
        host.set_token(TOKEN_AP_VS_REF, REFERENCES[(i / 5) % std::size(REFERENCES)] / 10.0);
        host.set_token(TOKEN_BARO, i % 11 == 0 ? NaN : 29.92);
        hardening::heap_counting(counted);
        for (Gauge* g : gauges) g->cycle();
        const Click& c = clicks[(i * 7) % clicks.size()];  // 7 and 29 are coprime: every area in turn
        c.gauge->click(c.x, c.y);
        hardening::heap_counting(false);
        chimes += host.sound().plays();
        events += int(host.events().size());
        host.clear_logs();
        host.sound().reset();
    };

    for (size_t i = 0; i < 500; ++i) step(i, false);
    hardening::heap_count_reset();
    chimes = events = 0;
    for (size_t i = 0; i < 10000; ++i) step(i, true);
    // The loop did reach the handlers and the chime.
    CHECK(events > 1000);
    CHECK(chimes > 0);
    CHECK(host.take_traps().empty());

    hardening::HeapCount count = hardening::heap_count();
    INFO("first allocation from ", where(count.first_caller));
    CHECK(count.allocations == 0);
}

TEST_CASE("the count sees allocations made while counting is on, and none while paused") {
    // The check above proves nothing unless the replacement really counts.
    hardening::heap_count_reset();
    hardening::heap_counting(true);
    int* volatile number = new int(1);
    void* volatile block = std::malloc(8);
    {
        HeapCountingPaused paused;
        void* volatile unseen = std::malloc(8);
        std::free(unseen);
    }
    hardening::heap_counting(false);
    delete number;
    std::free(block);
    CHECK(hardening::heap_count().allocations == 2);
}
