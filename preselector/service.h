// The preselectors' gauge service callbacks. Only the service id is read;
// ids other than those named are ignored.
#pragma once

#include "module/records.h"

// "altpreselector": install (2) loads the chime; update (6) plays the
// pending chimes, altitude first; drawing (10) refreshes the autopilot's
// vertical-speed and altitude references.
void MODULE_CALL presel_service_chime(GAUGEHDR* gauge, int32_t service_id, uint32_t extra);
// The renditions without chime: drawing (10) only.
void MODULE_CALL presel_service_quiet(GAUGEHDR* gauge, int32_t service_id, uint32_t extra);
