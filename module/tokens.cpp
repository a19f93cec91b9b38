// The stand-alone token-variable records, in the order they stand in the
// module's data,.
#include "module/tokens.h"

MODULE_VAR ap_vs_ref_var = {.id = TOKEN_AP_VS_REF};
MODULE_VAR ap_alt_ref_var = {.id = TOKEN_AP_ALT_REF};
MODULE_VAR ap_vertical_speed_var = {.id = TOKEN_VERTICAL_SPEED};
MODULE_VAR ap_altitude_var = {.id = TOKEN_ALTITUDE};
MODULE_VAR ap_master_var = {.id = TOKEN_AP_MASTER};
MODULE_VAR presel_altitude_var = {.id = TOKEN_ALTITUDE};
MODULE_VAR presel_baro_var = {.id = TOKEN_BARO};
