// A session held in the caller's own thread and stepped by its timer: the
// WebAssembly build, where the page is the only thread there is, holds its
// session so. The request handling runs its work on the session directly;
// advance() runs the panel cycles that the time gone by calls for, at 18 a
// simulated second times the session's speed, while it is not paused.
#pragma once

#include <memory>

#include "bench/serve/api.h"
#include "bench/serve/session.h"

namespace serve {

class SteppedSession final : public SessionHolder {
public:
    // Starts the session; throws what the session's start threw.
    explicit SteppedSession(const ServeOptions& options);

    void run(std::function<void(Session&)> work) override;
    // A new session; RequestError 403 when the options allow none.
    void restart() override;
    // Only the document is made here: a linked-in module cannot be loaded
    // afresh in this program, so the page starts a new program instance with
    // the document that the request's answer carries.
    PanelDocument relayout(std::function<PanelDocument(const Session&)> change) override;
    const ServeOptions& options() const override { return options_; }

    // Runs the cycles `seconds` of real time call for and returns how many
    // were due (the session passes over those a click ran ahead, and those
    // before its first action but the first). Time a paused session spends is not made up afterwards, and after
    // a long gap (a page in the background) at most MOST_CYCLES_AT_ONCE run.
    int advance(double seconds);

    static constexpr int MOST_CYCLES_AT_ONCE = 72;  // a quarter second at x16

private:
    ServeOptions options_;
    std::unique_ptr<Session> session_;
    double owed_ = 0;  // cycles due and not yet run, below one
};

}  // namespace serve
