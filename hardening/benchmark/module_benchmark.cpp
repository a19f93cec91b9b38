// What the module costs the host: one full panel cycle of all five gauges
// (service notices, every lamp and read-out callback, every answer and text
// read back) and one click, over the real module and over the null module
// (the same records, constant callbacks) through the same host loop.
//
// A process holds one host, so each module is loaded in a worker process of
// its own. The two take turns in many short repetitions, the one that goes
// first changing every repetition, and each worker times its own processor
// time: the two halves of a pair see the same machine, and what others run
// meanwhile is not counted. Reported are each side's median, and the
// module's own work as the median of the paired differences with its spread
// (the middle half of the differences, and where the median itself lies).
// The last line printed is
//   cycle: X ns, null: Y ns, ratio: Z
// with X and Y the medians per full panel cycle and Z = X / Y.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
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

// Repetitions of each pair, and the work of one side of a repetition: short
// enough that a pair's two halves run close together, long enough that the
// clock's own cost is small beside it.
long repetitions = 3000;
constexpr long CYCLES_PER_REPETITION = 100;
constexpr long CLICKS_PER_REPETITION = 1000;
constexpr long WARM_UP = 100;  // repetitions run first and not counted

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

int64_t processor_ns() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

bool write_all(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool read_all(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = read(fd, p, size);
        if (n <= 0) return false;
        p += n;
        size -= size_t(n);
    }
    return true;
}

// What a worker is asked to do, and answers with the processor time it took.
enum class Task : int32_t { cycles, clicks, stop };

// The worker's side: loads the module, says it is ready, then runs each task
// asked of it on the same panel. The clicks go round every mouse area of all
// five gauges; the logs they fill are emptied after each task, untimed.
[[noreturn]] void work(const std::string& path, int tasks, int answers) {
    volatile double sink = 0.0;
    try {
        Panel panel(path);
        struct Spot {
            size_t gauge, area;
        };
        std::vector<Spot> spots;
        for (size_t g = 0; g < panel.gauges.size(); ++g)
            for (size_t a = 0; a < panel.gauges[g]->areas().size(); ++a) spots.push_back({g, a});
        size_t next = 0;
        int64_t ready = 0;
        if (!write_all(answers, &ready, sizeof ready)) _exit(1);
        Task task;
        while (read_all(tasks, &task, sizeof task) && task != Task::stop) {
            double seen = 0.0;
            const int64_t began = processor_ns();
            if (task == Task::cycles) {
                for (long i = 0; i < CYCLES_PER_REPETITION; ++i) seen += panel.cycle();
            } else {
                for (long i = 0; i < CLICKS_PER_REPETITION; ++i) {
                    panel.press(spots[next].gauge, spots[next].area);
                    if (++next == spots.size()) next = 0;
                }
            }
            const int64_t took = processor_ns() - began;
            sink = sink + seen;
            if (task == Task::clicks) panel.quiet();
            if (!write_all(answers, &took, sizeof took)) break;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "module_benchmark: %s: %s\n", path.c_str(), e.what());
        _exit(1);
    }
    _exit(0);
}

// The parent's side of one worker.
struct Worker {
    std::string path;
    pid_t pid = -1;
    int tasks = -1, answers = -1;

    // Processor time of one task, in ns; exits naming the module if the
    // worker has stopped.
    int64_t run(Task task) {
        int64_t took;
        if (!write_all(tasks, &task, sizeof task) || !read_all(answers, &took, sizeof took)) {
            std::fprintf(stderr, "module_benchmark: the worker running %s stopped\n", path.c_str());
            std::exit(1);
        }
        return took;
    }

    void stop() {
        const Task task = Task::stop;
        write_all(tasks, &task, sizeof task);
        close(tasks);
        close(answers);
        int status;
        waitpid(pid, &status, 0);
    }
};

Worker start(const std::string& path) {
    int down[2], up[2];
    if (pipe(down) != 0 || pipe(up) != 0) {
        std::perror("module_benchmark: pipe");
        std::exit(1);
    }
    std::fflush(stdout);
    Worker w;
    w.path = path;
    w.pid = fork();
    if (w.pid < 0) {
        std::perror("module_benchmark: fork");
        std::exit(1);
    }
    if (w.pid == 0) {
        close(down[1]);
        close(up[0]);
        work(path, down[0], up[1]);
    }
    close(down[0]);
    close(up[1]);
    w.tasks = down[1];
    w.answers = up[0];
    int64_t ready;
    if (!read_all(w.answers, &ready, sizeof ready)) {
        std::fprintf(stderr, "module_benchmark: %s could not be loaded\n", path.c_str());
        std::exit(1);
    }
    return w;
}

// The value at fraction q of the sorted values (0: the least, 1: the most).
double at_fraction(const std::vector<double>& sorted, double q) {
    const double place = q * double(sorted.size() - 1);
    const size_t below = size_t(place);
    if (below + 1 >= sorted.size()) return sorted.back();
    return sorted[below] + (place - double(below)) * (sorted[below + 1] - sorted[below]);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return at_fraction(values, 0.5);
}

// The pairs of one task, per unit of work (one panel cycle, one click).
struct Pairs {
    std::vector<double> module, null, difference;

    double module_median() const { return median(module); }
    double null_median() const { return median(null); }

    // The module's own work: the median of the differences, the middle half
    // of them, and the ranks that hold the median of pairs like these 95 times
    // in 100 (the order statistics n/2 -+ 0.98 sqrt(n)).
    struct Own {
        double median, quarter, three_quarters, low, high;
    };
    Own own() const {
        std::vector<double> d = difference;
        std::sort(d.begin(), d.end());
        const double n = double(d.size());
        const double reach = 0.98 * std::sqrt(n);
        const size_t low = size_t(std::max(0.0, std::floor(n / 2 - reach)));
        const size_t high = size_t(std::min(n - 1, std::ceil(n / 2 + reach)));
        return {at_fraction(d, 0.5), at_fraction(d, 0.25), at_fraction(d, 0.75), d[low], d[high]};
    }
};

// Runs the task on both workers in turn, first a warm-up, then the counted
// repetitions; in every other repetition the null module goes first.
Pairs measure(Worker& module, Worker& null, Task task, long units) {
    Pairs p;
    for (long r = -WARM_UP; r < repetitions; ++r) {
        int64_t m, n;
        if (r % 2 == 0) {
            m = module.run(task);
            n = null.run(task);
        } else {
            n = null.run(task);
            m = module.run(task);
        }
        if (r < 0) continue;
        p.module.push_back(double(m) / double(units));
        p.null.push_back(double(n) / double(units));
        p.difference.push_back(double(m - n) / double(units));
    }
    return p;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        auto take = [&](const char* flag, std::string& into) {
            if (std::strcmp(argv[i], flag) != 0 || i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        std::string count;
        if (take("--repetitions", count)) {
            char* end = nullptr;
            repetitions = std::strtol(count.c_str(), &end, 10);
            if (*end == '\0' && repetitions >= 1 && repetitions <= 10000000) continue;
            std::fprintf(stderr, "module_benchmark: --repetitions takes a whole number from 1 to 10000000\n");
            return 2;
        }
        if (!take("--module", module_path) && !take("--null", null_path) && !take("--sound", sound_path) &&
            !take("--bitmaps", bitmap_folder)) {
            std::fprintf(stderr,
                         "usage: %s [--module PATH] [--null PATH] [--sound PATH] [--bitmaps DIR] [--repetitions N]\n",
                         argv[0]);
            return 2;
        }
    }
    signal(SIGPIPE, SIG_IGN);  // a worker that stops is reported, not a signal
    Worker module = start(module_path);
    Worker null = start(null_path);
    const Pairs cycles = measure(module, null, Task::cycles, CYCLES_PER_REPETITION);
    const Pairs clicks = measure(module, null, Task::clicks, CLICKS_PER_REPETITION);
    module.stop();
    null.stop();

    std::printf("%ld repetitions of %ld full panel cycles and of %ld clicks, module and null in turn, "
                "processor time\n",
                repetitions, CYCLES_PER_REPETITION, CLICKS_PER_REPETITION);
    const Pairs::Own click = clicks.own();
    std::printf("click: %.1f ns, null: %.1f ns, module's own work: %.1f ns (middle half %.1f to %.1f ns)\n",
                clicks.module_median(), clicks.null_median(), click.median, click.quarter, click.three_quarters);
    const Pairs::Own own = cycles.own();
    std::printf("module's own work: %.1f ns per full panel cycle, the median of %zu paired differences "
                "(middle half %.1f to %.1f ns; the median within %.1f to %.1f ns)\n",
                own.median, cycles.difference.size(), own.quarter, own.three_quarters, own.low, own.high);
    const double cycle = cycles.module_median(), null_cycle = cycles.null_median();
    std::printf("cycle: %.1f ns, null: %.1f ns, ratio: %.2f\n", cycle, null_cycle, cycle / null_cycle);
    return 0;
}
