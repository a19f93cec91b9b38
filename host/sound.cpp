#include "host/sound.h"

#include "host/error.h"

namespace panelhost {

void SoundLibrary::install(const std::string& path) {
    library_ = Library(path, /*global=*/true);
    reset_ = reinterpret_cast<STANDIN_RESET>(library_.symbol("standin_reset"));
    queue_ = reinterpret_cast<STANDIN_QUEUE>(library_.symbol("standin_queue"));
    count_ = reinterpret_cast<STANDIN_COUNT>(library_.symbol("standin_count"));
    get_ = reinterpret_cast<STANDIN_GET>(library_.symbol("standin_get"));
    reset_();
}

std::vector<standin_call> SoundLibrary::calls() const {
    std::vector<standin_call> out;
    if (!installed()) return out;
    int32_t n = count_();
    out.resize(size_t(n));
    for (int32_t i = 0; i < n; ++i) get_(i, &out[size_t(i)]);
    return out;
}

size_t SoundLibrary::call_count() const { return installed() ? size_t(count_()) : 0; }

int SoundLibrary::plays() const {
    int n = 0;
    for (const auto& call : calls()) n += call.op == STANDIN_OP_PLAY;
    return n;
}

int SoundLibrary::loads() const {
    int n = 0;
    for (const auto& call : calls()) n += call.op == STANDIN_OP_LOAD;
    return n;
}

void SoundLibrary::queue(int32_t op, int32_t result) {
    if (!installed()) throw HostError("no sound library is installed");
    queue_(op, result);
}

void SoundLibrary::reset() {
    if (installed()) reset_();
}

}  // namespace panelhost
