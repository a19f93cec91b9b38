// Coverage-guided fuzzing of everything a host can do to the module: token
// values of any kind, clicks anywhere on any placed gauge, service notices of
// any id, panel cycles, start and stop, placing gauges, the generic routines,
// and sound-library failures. After every step the module must still keep its
// promises to the host:
//   - every read-out text is NUL-terminated inside its 32-byte buffer;
//   - the autopilot's ALT and VS legends are never lit together;
//   - every key event sent is one of the module's twelve, with the value its
//     kind allows (0 where it carries none; a button's only from its area);
//   - every preselector lamp answers -1 or 0 and nothing else;
//   - no PANELS word but the nine services is ever called;
// and the sanitizers must stay silent.
//
// Each input starts from the module as loaded. One host and one load of the
// module serve the whole run (the fuzzer's coverage counters live in the
// module, which must stay mapped); before each input the module's data is
// put back to its loaded contents, the host's tokens, logs and sound
// stand-in are cleared, and the gauges the input places are taken from a
// pool placed once at start-up (placing again only calls the install
// notice). So a saved crash input replays alone.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "hardening/support/module_data.h"
#include "host/host.h"
#include "module/tokens.h"
#include "resources/bitmaps.h"

using panelhost::Gauge;
using panelhost::Host;

namespace {

const uint32_t TOKENS[] = {TOKEN_VERTICAL_SPEED, TOKEN_ALTITUDE, TOKEN_BARO,  TOKEN_AP_MASTER, TOKEN_AP_NAV,
                           TOKEN_AP_HDG,         TOKEN_AP_ALT,   TOKEN_AP_ALT_REF, TOKEN_AP_GS,  TOKEN_AP_APR,
                           TOKEN_AP_REV,         TOKEN_AP_VS,    TOKEN_AP_VS_REF,  TOKEN_AP_FD,  TOKEN_AP_GPSS};

constexpr double INF = std::numeric_limits<double>::infinity();
const double SPECIAL_VALUES[] = {
    std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(), INF, -INF, 1e300, -1e300,
    std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(), std::numeric_limits<double>::min(),
    std::numeric_limits<double>::denorm_min(), 2147483647.0, 2147483648.0, 2147483647.5, -2147483648.0,
    -2147483649.0, -2147483648.5, 4294967295.0, 4294967296.0, 32767.0, 32768.0, -32768.0, -32769.0, 65535.0,
    65536.0, 0.0, -0.0, 1.0, -1.0, 0.5, 0.999999, 1.000001, 2.0, 65537.0, -65535.0, 99.9, -99.9, 100.0, -100.0,
    1499.9, 1500.0, 1600.0, -1500.0, -1600.0, 1e15, -1e15, 9.2233720368547758e18, -9.2233720368547758e18};

constexpr size_t POOL_PER_GAUGE = 3;  // instances of each gauge an input may place

// The run's one host and what each input starts from.
struct Session {
    Host* host = nullptr;  // never destroyed: the module stays loaded until exit
    std::unique_ptr<hardening::ModuleData> loaded;
    std::vector<Gauge*> pool[MODULE_GAUGE_COUNT];
    std::vector<uint32_t> tokens_set;  // tokens an input gave a value, put back to 0 before the next
};
Session session;

[[noreturn]] void broken(const std::string& what) {
    std::fprintf(stderr, "==panel_fuzz== property broken: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

const KEY_EVENT_ENTRY* module_event(uint32_t event) {
    for (const KEY_EVENT_ENTRY& e : MODULE_KEY_EVENTS)
        if (e.event == event) return &e;
    return nullptr;
}

double take_value(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 4)) {
        case 0: return in.PickValueInArray(SPECIAL_VALUES);
        case 1: {  // any bit pattern: NaNs with payloads, subnormals, everything
            uint64_t bits = in.ConsumeIntegral<uint64_t>();
            double value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        case 2: return double(in.ConsumeIntegralInRange<int32_t>(-60000, 60000));
        case 3: return in.ConsumeIntegralInRange<int32_t>(-3000, 3000) * MODULE_VS_UNITS_PER_FPM;
        default: return in.PickValueInArray(SPECIAL_VALUES) + in.ConsumeIntegralInRange<int32_t>(-2, 2);
    }
}

// What the module must never break, checked against the host's view.
struct Checker {
    Host& host;
    const std::vector<Gauge*>& placed;
    size_t events_seen = 0;

    void events() {
        const auto& sent = host.events();
        for (; events_seen < sent.size(); ++events_seen) {
            const panelhost::KeyEvent& e = sent[events_seen];
            const KEY_EVENT_ENTRY* known = module_event(e.event);
            if (!known) broken("key event " + std::to_string(e.event) + " is not one of the module's");
            if (known->value == KEY_EVENT_VALUE_ZERO && e.value != 0)
                broken(std::string(known->name) + " sent with " + std::to_string(e.value) + "; it carries 0");
            if (known->value == KEY_EVENT_VALUE_FROM_AREA && !e.from_area)
                broken(std::string(known->name) + " sent by the module; only its mouse area sends it");
        }
    }

    void gauge(const Gauge& g) {
        bool preselector = g.name().find("preselector") != std::string::npos;
        for (size_t i = 0; i < g.children().size(); ++i) {
            const ELEMENT_HEADER* child = g.children()[i];
            if (child->element_type == ELEMENT_TYPE_STRING) {
                const std::vector<char>& buffer = g.buffer(i);
                if (buffer.size() != MODULE_TEXT_BUFFER_SIZE || !std::memchr(buffer.data(), 0, buffer.size()))
                    broken(g.name() + " read-out " + std::to_string(i) + " is not NUL-terminated in its buffer");
            } else if (preselector && child->element_type == ELEMENT_TYPE_ICON) {
                double answer = g.answer(i);
                if (answer != -1.0 && answer != 0.0)
                    broken(g.name() + " lamp " + std::to_string(i) + " answered " + std::to_string(answer));
            }
        }
        if (g.name() == "autopilot") {
            int alt = g.child_by_bitmap(BITMAP_AP_ALT), vs = g.child_by_bitmap(BITMAP_AP_VS);
            if (alt >= 0 && vs >= 0 && g.lit(size_t(alt)) && g.lit(size_t(vs)))
                broken("the autopilot's ALT and VS legends are lit together");
        }
    }

    void all() {
        for (const panelhost::TrapCall& trap : host.take_traps()) broken(trap.text());
        events();
        for (const Gauge* g : placed) gauge(*g);
    }
};

Gauge* pick_gauge(FuzzedDataProvider& in, const std::vector<Gauge*>& placed) {
    if (placed.empty()) return nullptr;
    return placed[in.ConsumeIntegralInRange<size_t>(0, placed.size() - 1)];
}

// Places a gauge: the next unused instance from the pool gets its install
// notice, as a host's placing would give it.
void place(size_t which, size_t used[], std::vector<Gauge*>& placed) {
    if (used[which] >= POOL_PER_GAUGE) return;
    Gauge* g = session.pool[which][used[which]++];
    g->service(SERVICE_INSTALL);
    placed.push_back(g);
}

void click(FuzzedDataProvider& in, Gauge& g) {
    int x, y;
    switch (in.ConsumeIntegralInRange<int>(0, 2)) {
        case 0:
            if (!g.areas().empty()) {  // inside a child area, at any of its points
                const MOUSERECT* a = g.areas()[in.ConsumeIntegralInRange<size_t>(0, g.areas().size() - 1)];
                x = a->x + in.ConsumeIntegralInRange<int>(0, a->width > 0 ? a->width - 1 : 0);
                y = a->y + in.ConsumeIntegralInRange<int>(0, a->height > 0 ? a->height - 1 : 0);
                break;
            }
            [[fallthrough]];
        case 1:  // anywhere on or near the face
            x = in.ConsumeIntegralInRange<int>(-4, 520);
            y = in.ConsumeIntegralInRange<int>(-4, 130);
            break;
        default:  // anywhere at all
            x = in.ConsumeIntegral<int32_t>();
            y = in.ConsumeIntegral<int32_t>();
    }
    g.click(x, y);
}

void service(FuzzedDataProvider& in, Gauge& g) {
    static const int32_t IDS[] = {SERVICE_INSTALL, SERVICE_UPDATE, SERVICE_DRAW, 0, 1, 3, 5, 7, 11, -1,
                                  INT32_MIN, INT32_MAX};
    int32_t id = in.ConsumeBool() ? in.PickValueInArray(IDS) : in.ConsumeIntegral<int32_t>();
    g.service(id, in.ConsumeIntegral<uint32_t>());
}

// The seven generic routines, reached through any header.
void generic(FuzzedDataProvider& in, Host& host) {
    GAUGEHDR* header = host.gauge_table()[in.ConsumeIntegralInRange<size_t>(0, MODULE_GAUGE_COUNT - 1)];
    const GAUGE_ROUTINES& r = header->routines;
    int routine = in.ConsumeIntegralInRange<int>(0, 6);
    uint32_t phase = routine == 4 ? in.ConsumeIntegral<uint32_t>() : 0;
    host.guarded("a generic routine", [&] {
        switch (routine) {
            case 0: r.query(); break;
            case 1: r.install(host.module().handle()); break;
            case 2: r.initialize(); break;
            case 3: r.update(); break;
            case 4: r.generate(phase); break;
            case 5: r.draw(); break;
            default: r.kill(); break;
        }
    });
}

void run(FuzzedDataProvider& in, Host& host) {
    std::vector<Gauge*> placed;
    size_t used[MODULE_GAUGE_COUNT] = {};
    Checker check{host, placed};
    uint8_t first = in.ConsumeIntegral<uint8_t>();
    for (size_t i = 0; i < MODULE_GAUGE_COUNT; ++i)
        if (first & (1u << i)) place(i, used, placed);
    check.all();

    for (int steps = 0; steps < 400 && in.remaining_bytes() > 0; ++steps) {
        switch (in.ConsumeIntegralInRange<int>(0, 11)) {
            case 0:
            case 1: {
                uint32_t token = in.ConsumeIntegralInRange<int>(0, 15) == 15 ? in.ConsumeIntegral<uint32_t>()
                                                                              : in.PickValueInArray(TOKENS);
                host.set_token(token, take_value(in));
                session.tokens_set.push_back(token);
                break;
            }
            case 2:
            case 3:
                if (Gauge* g = pick_gauge(in, placed)) click(in, *g);
                break;
            case 4:
                if (Gauge* g = pick_gauge(in, placed)) service(in, *g);
                break;
            case 5: {  // panel cycles of every placed gauge
                int cycles = in.ConsumeIntegralInRange<int>(1, 4);
                for (int c = 0; c < cycles; ++c)
                    for (Gauge* g : placed) g->cycle();
                break;
            }
            case 6:
                if (Gauge* g = pick_gauge(in, placed)) in.ConsumeBool() ? g->update() : g->draw();
                break;
            case 7:
                in.ConsumeBool() ? host.start() : host.stop();
                break;
            case 8:
                place(in.ConsumeIntegralInRange<size_t>(0, MODULE_GAUGE_COUNT - 1), used, placed);
                break;
            case 9:
                generic(in, host);
                break;
            case 10:  // the sound library's next load or play fails (or returns an odd value)
                host.sound().queue(in.ConsumeBool() ? STANDIN_OP_LOAD : STANDIN_OP_PLAY,
                                   in.ConsumeIntegralInRange<int32_t>(-1, 2));
                break;
            default:
                host.clear_logs();
                check.events_seen = 0;
                break;
        }
        check.all();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* module = std::getenv("PANEL_FUZZ_MODULE");
    const char* sound = std::getenv("PANEL_FUZZ_SOUND");
    panelhost::HostOptions options;
    options.sound_library = sound ? sound : PANEL_FUZZ_DEFAULT_SOUND;
    options.log_lookups = false;
    std::string module_path = module ? module : PANEL_FUZZ_DEFAULT_MODULE;
    try {
        session.host = new Host(module_path, options);
        // The module as loaded and started, before any gauge is placed.
        session.loaded = std::make_unique<hardening::ModuleData>(module_path, session.host->module().handle());
        const std::vector<GAUGEHDR*> table = session.host->gauge_table();
        if (table.size() != MODULE_GAUGE_COUNT) throw panelhost::HostError("the gauge table does not list five gauges");
        for (size_t i = 0; i < MODULE_GAUGE_COUNT; ++i)
            for (size_t n = 0; n < POOL_PER_GAUGE; ++n) session.pool[i].push_back(&session.host->place(table[i]->name));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "panel_fuzz: %s\n", e.what());
        std::exit(2);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Host& host = *session.host;
    session.loaded->restore();
    for (uint32_t token : session.tokens_set) host.set_token(token, 0.0);
    session.tokens_set.clear();
    host.clear_logs();
    host.sound().reset();
    FuzzedDataProvider in(data, size);
    run(in, host);
    return 0;
}
