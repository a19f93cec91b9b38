// The artwork of the three gauges: each painter draws one bitmap of its
// gauge's identifier range at the size the bitmap table gives it.
#pragma once

#include "resources/bitmaps.h"
#include "resources/canvas.h"
#include "resources/lettering.h"

namespace art {

// Each throws std::out_of_range for an identifier outside its gauge.
Canvas paint_autopilot(const BitmapSize& entry, const Lettering& l);
Canvas paint_annunciator(const BitmapSize& entry, const Lettering& l);
Canvas paint_preselector(const BitmapSize& entry, const Lettering& l);

}  // namespace art
