#include "preselector/service.h"

#include "module/panels.h"
#include "module/tokens.h"
#include "preselector/sound.h"
#include "preselector/state.h"

static void presel_load_chime() {
    PRESEL_STATE& s = presel_state;
    s.presel_sound_loaded = presel_sound_load(&s.presel_sound_handle, s.presel_sound_file);
}

// Takes a request: it is cleared whether or not a sound then plays. A failed
// play reloads the chime once and plays again only if that load returned
// exactly 1; a load of 0 silences the chime until the next install.
static void presel_take_request(uint32_t* request) {
    PRESEL_STATE& s = presel_state;
    if (!*request) return;
    *request = 0;
    if (!s.presel_sound_loaded) return;
    if (presel_sound_play(s.presel_sound_handle, 0) != 0) return;
    presel_load_chime();
    if (s.presel_sound_loaded == 1) presel_sound_play(s.presel_sound_handle, 0);
}

static void presel_refresh_references() {
    module_lookup(&ap_vs_ref_var);
    module_lookup(&ap_alt_ref_var);
}

void MODULE_CALL presel_service_chime(GAUGEHDR*, int32_t service_id, uint32_t) {
    PRESEL_STATE& s = presel_state;
    switch (service_id) {
    case SERVICE_INSTALL:
        presel_load_chime();
        break;
    case SERVICE_UPDATE:
        presel_take_request(&s.presel_alt_chime_request);
        presel_take_request(&s.presel_dh_chime_request);
        break;
    case SERVICE_DRAW:
        presel_refresh_references();
        break;
    default:
        break;
    }
}

void MODULE_CALL presel_service_quiet(GAUGEHDR*, int32_t service_id, uint32_t) {
    if (service_id == SERVICE_DRAW) presel_refresh_references();
}
