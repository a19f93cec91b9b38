// The stand-in sound library: the two operations of the simulator's sound
// library (load a sound file into a handle, play a loaded handle), recording
// every call, plus a control interface for tests and the bench to script
// results and read the record.
//
// Windows: FSSound.dll, load at ordinal 1 and play at ordinal 7, both
// __cdecl. Natively: FSSound.so, the same two operations by name.
#pragma once

#include <cstdint>

#include "module/host_interface.h"

enum : int32_t {
    STANDIN_OP_LOAD = 1,
    STANDIN_OP_PLAY = 7,
};

// One recorded call.
struct standin_call {
    int32_t op;          // STANDIN_OP_LOAD or STANDIN_OP_PLAY
    uint32_t handle;     // load: the handle written; play: the handle given
    int32_t argument;    // play: its second argument; load: 0
    int32_t result;      // what the call returned
    char file[64];       // load: the file name given, cut to 63 characters
};

// The two operations, as the module calls them.
typedef int(SOUND_CALL* STANDIN_LOAD)(uint32_t* handle_out, const char* file);
typedef int(SOUND_CALL* STANDIN_PLAY)(uint32_t handle, int32_t zero);

// Control interface, exported by name.
extern "C" {
typedef void (*STANDIN_RESET)(void);
typedef void (*STANDIN_QUEUE)(int32_t op, int32_t result);
typedef int32_t (*STANDIN_COUNT)(void);
typedef int32_t (*STANDIN_GET)(int32_t index, standin_call* out);
}
// standin_reset: forget every call and queued result.
// standin_queue: the next call of `op` returns `result` (queued results are
//   taken in order; with none queued, load returns 1 and play returns 1).
// standin_count: how many calls were recorded.
// standin_get: copies call `index` into *out; 0 when there is no such call.
