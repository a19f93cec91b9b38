#include "preselector/readouts.h"

#include "module/convert.h"
#include "module/panels.h"
#include "module/text.h"
#include "module/tokens.h"
#include "preselector/alerts.h"
#include "preselector/state.h"

double MODULE_CALL presel_vs_string(ELEMENT_STRING* string) {
    int32_t reference = module_to_i32(module_lookup(&ap_vs_ref_var));
    module_write_signed(string, reference / 100);
    return string->source[0].value;
}

// The altitude read-out's value, first case that applies; each host value
// is refreshed just before it is read.
static double presel_altitude_value(bool baro_case) {
    const PRESEL_STATE& s = presel_state;
    if (s.presel_dh_entry) return s.presel_dh_value / 1000.0;
    if (baro_case && s.presel_baro_display && s.presel_entry_mode) return module_lookup(&presel_baro_var);
    if (s.presel_show_actual) return module_lookup(&presel_altitude_var) / 1000.0;
    return module_lookup(&ap_alt_ref_var) / 1000.0;
}

static void presel_write_altitude(ELEMENT_STRING* string, bool baro_case) {
    module_write_tenths(string, presel_altitude_value(baro_case));
}

double MODULE_CALL presel_altitude_string(ELEMENT_STRING* string) {
    presel_write_altitude(string, true);
    presel_evaluate_alerts();
    return string->source[0].value;
}

double MODULE_CALL presel_altitude_string_nosnd(ELEMENT_STRING* string) {
    presel_write_altitude(string, true);
    return string->source[0].value;
}

double MODULE_CALL presel_altitude_string_vc(ELEMENT_STRING* string) {
    presel_write_altitude(string, false);
    return string->source[0].value;
}
