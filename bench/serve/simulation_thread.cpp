#include "bench/serve/simulation_thread.h"

namespace serve {

using Clock = std::chrono::steady_clock;

namespace {

// After a stall (a slow machine, a debugger) the panel does not race to catch up.
constexpr int MOST_CYCLES_AT_ONCE = 16;

}  // namespace

SimulationThread::SimulationThread(const ServeOptions& options) : options_(options) {
    // The document's picture is read here, before the thread starts, if it was not yet.
    if (options_.document && !options_.document->background) options_.document->read_background();
    std::promise<void> started;
    std::future<void> ready = started.get_future();
    thread_ = std::thread([this, &started] { loop(started); });
    try {
        ready.get();
    } catch (...) {
        thread_.join();
        throw;
    }
}

SimulationThread::~SimulationThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

Session& SimulationThread::session() {
    if (!session_) throw RequestError(503, "the module could not be loaded again; restart panelbench serve");
    return *session_;
}

void SimulationThread::submit(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
    }
    wake_.notify_all();
}

void SimulationThread::restart() {
    replace([](const Session* old) { return old && old->document() ? std::optional(*old->document()) : std::nullopt; });
}

PanelDocument SimulationThread::relayout(std::function<PanelDocument(const Session&)> change) {
    return *replace([this, change](const Session*) { return std::optional(change(session())); });
}

std::optional<PanelDocument> SimulationThread::replace(
    std::function<std::optional<PanelDocument>(const Session*)> document_of) {
    // The document is made from the old session and the new one started in
    // one turn of the thread, so that no other request comes between them.
    // A failure comes back as status and message (see call()).
    struct Outcome {
        std::optional<PanelDocument> document;
        int status = 0;
        std::string message;
    };
    Outcome outcome = answer<Outcome>([this, document_of]() {
        Outcome outcome;
        try {
            outcome.document = document_of(session_.get());
            // A document that does not lay out is refused while the old session still runs.
            if (outcome.document) outcome.document->layout();
        } catch (const RequestError& e) {
            return Outcome{.status = e.status, .message = e.what()};  // refused: the session goes on
        } catch (const bench::PanelConfigError& e) {
            return Outcome{.status = 400, .message = e.what()};
        }
        try {
            ServeOptions next = options_;
            next.document = outcome.document;
            if (!next.document && options_.document) next.document = options_.document;
            session_.reset();  // the old host is gone before the new one loads the module
            session_ = std::make_unique<Session>(next);
        } catch (const std::exception& e) {
            return Outcome{.status = 500, .message = std::string("a new session could not start: ") + e.what()};
        }
        return outcome;
    });
    if (outcome.status) throw RequestError(outcome.status, outcome.message);
    return outcome.document;
}

Clock::duration SimulationThread::period() const {
    const double speed = session_ ? std::max(1, session_->speed) : 1;
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(1.0 / (bench::Aircraft::CYCLES_PER_SECOND * speed)));
}

void SimulationThread::loop(std::promise<void>& started) {
    try {
        session_ = std::make_unique<Session>(options_);
    } catch (...) {
        started.set_exception(std::current_exception());
        return;
    }
    started.set_value();
    bool running = false;  // cycles are being timed
    Clock::time_point next{};
    for (;;) {
        const bool ticking = session_ && !session_->paused;
        if (ticking && !running) next = Clock::now() + period();
        running = ticking;
        std::deque<std::function<void()>> jobs;
        {
            std::unique_lock lock(mutex_);
            auto woken = [this] { return stopping_ || !queue_.empty(); };
            if (running)
                wake_.wait_until(lock, next, woken);
            else
                wake_.wait(lock, woken);
            if (stopping_) break;
            jobs.swap(queue_);
        }
        for (auto& job : jobs) job();
        if (!running || !session_ || session_->paused) continue;
        const Clock::time_point now = Clock::now();
        for (int done = 0; next <= now && done < MOST_CYCLES_AT_ONCE; ++done) {
            session_->cycle();
            next += period();
        }
        if (next <= now) next = now + period();
    }
    session_.reset();
}

}  // namespace serve
