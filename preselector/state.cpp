// At load the instrument is in entry mode with the baro read-out selected;
// everything else starts at 0.
#include "preselector/state.h"

PRESEL_STATE presel_state = {
    .presel_entry_mode = 1,
    .presel_baro_display = 1,
    .presel_sound_file = "Sound\\dingdong.wav",
};
