#include "soundlib/linked.h"

#include "host/library.h"
#include "host/program_library.h"
#include "soundlib/file_name.h"
#include "soundlib/standin.h"

extern "C" {
int SOUND_CALL fssound_load(uint32_t* handle_out, const char* file);
int SOUND_CALL fssound_play(uint32_t handle, int32_t zero);
void standin_reset(void);
void standin_queue(int32_t op, int32_t result);
int32_t standin_count(void);
int32_t standin_get(int32_t index, standin_call* out);
}

void standin_link_into_program() {
    panelhost::register_static_library(SOUND_FILE, {
        {"fssound_load", reinterpret_cast<void*>(&fssound_load)},
        {"fssound_play", reinterpret_cast<void*>(&fssound_play)},
        {"standin_reset", reinterpret_cast<void*>(&standin_reset)},
        {"standin_queue", reinterpret_cast<void*>(&standin_queue)},
        {"standin_count", reinterpret_cast<void*>(&standin_count)},
        {"standin_get", reinterpret_cast<void*>(&standin_get)},
    });
    panelhost::answer_loads_with_program(SOUND_FILE);
}
