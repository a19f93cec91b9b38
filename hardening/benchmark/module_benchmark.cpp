// What the module costs the host: one full panel cycle of all five gauges
// (service notices, every lamp and read-out callback, every answer and text
// read back) and one click, each measured over the real module and over the
// null module (the same records, constant callbacks) through the same host
// loop. The difference is the module's own work; the last line printed is
//   cycle: X ns, null: Y ns, ratio: Z
// with X and Y the processor time per full panel cycle and Z = X / Y.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/host.h"
#include "module/tokens.h"

using panelhost::Gauge;
using panelhost::Host;

namespace {

std::string module_path = BENCHMARK_MODULE;
std::string null_path = BENCHMARK_NULL_MODULE;
std::string sound_path = BENCHMARK_SOUND;
std::string bitmap_folder = BENCHMARK_BITMAPS;

// A loaded module with all five gauges placed, in level flight with the
// autopilot engaged, the preselector in normal mode with its alerter armed
// and the panel's VS mode on: every callback takes its working path.
struct Panel {
    Host host;
    std::vector<Gauge*> gauges;

    explicit Panel(const std::string& path) : host(path, options()) {
        for (const GAUGEHDR* header : host.gauge_table()) gauges.push_back(&host.place(header->name));
        host.set_token(TOKEN_AP_MASTER, 1.0);
        host.set_token(TOKEN_AP_HDG, 1.0);
        host.set_token(TOKEN_ALTITUDE, 6500.0);
        host.set_token(TOKEN_AP_ALT_REF, 8000.0);
        host.set_token(TOKEN_AP_VS_REF, 500.0);
        host.set_token(TOKEN_VERTICAL_SPEED, 500.0 * MODULE_VS_UNITS_PER_FPM);
        host.set_token(TOKEN_BARO, 29.92);
        press(0, 0);  // DTA: normal mode
        press(0, 6);  // ALR: alerter armed
        press(3, 6);  // VS on the autopilot
        for (int i = 0; i < 100; ++i) cycle();
        quiet();
    }

    static panelhost::HostOptions options() {
        panelhost::HostOptions o;
        o.sound_library = sound_path;
        o.resource_folder = bitmap_folder;
        o.log_lookups = false;
        return o;
    }

    void press(size_t gauge, size_t area) {
        const MOUSERECT* a = gauges[gauge]->areas().at(area);
        gauges[gauge]->click(a->x + a->width / 2, a->y + a->height / 2);
    }

    // One full panel cycle, with every answer and text read back.
    double cycle() {
        double seen = 0.0;
        for (Gauge* g : gauges) {
            g->cycle();
            for (size_t i = 0; i < g->children().size(); ++i) seen += g->answer(i) + g->text(i)[0];
        }
        return seen;
    }

    // Empties the host's event log and the sound stand-in's record.
    void quiet() {
        host.clear_logs();
        host.sound().reset();
    }
};

void bench_cycle(benchmark::State& state, const std::string* path) {
    Panel panel(*path);
    for (auto _ : state) benchmark::DoNotOptimize(panel.cycle());
}

void bench_click(benchmark::State& state, const std::string* path) {
    Panel panel(*path);
    struct Spot {
        size_t gauge, area;
    };
    std::vector<Spot> spots;
    for (size_t g = 0; g < panel.gauges.size(); ++g)
        for (size_t a = 0; a < panel.gauges[g]->areas().size(); ++a) spots.push_back({g, a});
    size_t next = 0;
    for (auto _ : state) {
        const Spot& s = spots[next];
        panel.press(s.gauge, s.area);
        if (++next == spots.size()) {
            next = 0;
            state.PauseTiming();
            panel.quiet();
            state.ResumeTiming();
        }
    }
}

// The console report, with each run's time per iteration kept by name.
class Reporter : public benchmark::ConsoleReporter {
public:
    Reporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}
    std::map<std::string, double> ns;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (!run.error_occurred) ns[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        auto take = [&](const char* flag, std::string& into) {
            if (std::strcmp(argv[i], flag) != 0 || i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        if (!take("--module", module_path) && !take("--null", null_path) && !take("--sound", sound_path) &&
            !take("--bitmaps", bitmap_folder)) {
            std::fprintf(stderr, "usage: %s [--module PATH] [--null PATH] [--sound PATH] [--bitmaps DIR] [benchmark options]\n",
                         argv[0]);
            return 2;
        }
    }
    benchmark::RegisterBenchmark("cycle/module", bench_cycle, &module_path)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("cycle/null", bench_cycle, &null_path)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("click/module", bench_click, &module_path)->Unit(benchmark::kNanosecond);
    benchmark::RegisterBenchmark("click/null", bench_click, &null_path)->Unit(benchmark::kNanosecond);

    Reporter reporter;
    try {
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "module_benchmark: %s\n", e.what());
        return 1;
    }
    benchmark::Shutdown();

    auto& ns = reporter.ns;
    if (!ns.count("cycle/module") || !ns.count("cycle/null")) {
        std::fprintf(stderr, "module_benchmark: the cycle benchmarks did not run\n");
        return 1;
    }
    double cycle = ns["cycle/module"], null = ns["cycle/null"];
    if (ns.count("click/module") && ns.count("click/null"))
        std::printf("click: %.1f ns, null: %.1f ns\n", ns["click/module"], ns["click/null"]);
    std::printf("module's own work: %.1f ns per full panel cycle\n", cycle - null);
    std::printf("cycle: %.1f ns, null: %.1f ns, ratio: %.2f\n", cycle, null, cycle / null);
    return 0;
}
