#include "soundlib/standin.h"

#include <cstring>
#include <deque>
#include <vector>

#if defined(_WIN32)
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
std::vector<standin_call> calls;
std::deque<int32_t> queued_load, queued_play;
uint32_t next_handle = 0x51A0;

int32_t take(std::deque<int32_t>& queue) {
    if (queue.empty()) return 1;
    int32_t result = queue.front();
    queue.pop_front();
    return result;
}
}  // namespace

STANDIN_EXPORT int SOUND_CALL fssound_load(uint32_t* handle_out, const char* file) {
    standin_call call{};
    call.op = STANDIN_OP_LOAD;
    call.result = take(queued_load);
    call.handle = next_handle++;
    if (file) std::strncpy(call.file, file, sizeof call.file - 1);
    if (handle_out) *handle_out = call.handle;
    calls.push_back(call);
    return call.result;
}

STANDIN_EXPORT int SOUND_CALL fssound_play(uint32_t handle, int32_t zero) {
    standin_call call{};
    call.op = STANDIN_OP_PLAY;
    call.handle = handle;
    call.argument = zero;
    call.result = take(queued_play);
    calls.push_back(call);
    return call.result;
}

STANDIN_EXPORT void standin_reset(void) {
    calls.clear();
    queued_load.clear();
    queued_play.clear();
}

STANDIN_EXPORT void standin_queue(int32_t op, int32_t result) {
    (op == STANDIN_OP_LOAD ? queued_load : queued_play).push_back(result);
}

STANDIN_EXPORT int32_t standin_count(void) { return int32_t(calls.size()); }

STANDIN_EXPORT int32_t standin_get(int32_t index, standin_call* out) {
    if (index < 0 || size_t(index) >= calls.size() || !out) return 0;
    *out = calls[size_t(index)];
    return 1;
}
