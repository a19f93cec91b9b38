#include "bench/serve/stepped_session.h"

#include <algorithm>
#include <cmath>

namespace serve {

SteppedSession::SteppedSession(const ServeOptions& options)
    : options_(options), session_(std::make_unique<Session>(options_)) {}

void SteppedSession::run(std::function<void(Session&)> work) {
    if (!session_) throw RequestError(503, "the module could not be loaded again; reload the page");
    work(*session_);
}

void SteppedSession::restart() {
    if (!options_.allow_reset) throw RequestError(403, "this session cannot be started anew here");
    session_.reset();  // the old host is gone before the new one loads the module
    owed_ = 0;
    try {
        session_ = std::make_unique<Session>(options_);
    } catch (const std::exception& e) {
        throw RequestError(500, std::string("a new session could not start: ") + e.what());
    }
}

PanelDocument SteppedSession::relayout(std::function<PanelDocument(const Session&)> change) {
    if (!session_) throw RequestError(503, "the module could not be loaded again; reload the page");
    PanelDocument document = change(*session_);
    try {
        document.layout();  // refused here, as the server refuses it, not by the new instance
    } catch (const bench::PanelConfigError& e) {
        throw RequestError(400, e.what());
    }
    return document;
}

int SteppedSession::advance(double seconds) {
    if (!session_ || session_->paused || !std::isfinite(seconds) || seconds <= 0) {
        owed_ = 0;
        return 0;
    }
    owed_ += seconds * bench::Aircraft::CYCLES_PER_SECOND * std::max(1, session_->speed);
    int due = owed_ >= MOST_CYCLES_AT_ONCE ? MOST_CYCLES_AT_ONCE : int(owed_);
    owed_ = due == MOST_CYCLES_AT_ONCE ? 0 : owed_ - due;
    for (int i = 0; i < due; ++i) session_->cycle();
    return due;
}

}  // namespace serve
