// The remote mode annunciator: a dark bezel held by four screws, with the
// tan display glass in a light frame, and its twelve legends.
#include <map>
#include <stdexcept>
#include <string>

#include "resources/art.h"
#include "resources/parts.h"

namespace art {

static Canvas annunciator_face(const BitmapSize& entry) {
    Canvas c(entry.width, entry.height, BEZEL);
    bezel(c);
    for (double x : {9.0, entry.width - 10.0})
        for (double y : {9.0, entry.height - 10.0}) screw(c, x, y);
    // The glass, x 28..177, y 30..69, in a light frame.
    Rect glass{28, 30, 150, 40};
    c.frame({glass.x - 4, glass.y - 4, glass.w + 8, glass.h + 8}, BEZEL_SHADOW, 1);
    c.frame({glass.x - 3, glass.y - 3, glass.w + 6, glass.h + 6}, FRAME_LIGHT, 2);
    c.frame({glass.x - 1, glass.y - 1, glass.w + 2, glass.h + 2}, Rgb{120, 104, 60}, 1);
    c.fill(glass, GLASS);
    return c;
}

Canvas paint_annunciator(const BitmapSize& entry, const Lettering& l) {
    static const std::map<int32_t, std::string> legends = {
        {BITMAP_ANN_HDG, "HDG"}, {BITMAP_ANN_NAV, "NAV"}, {BITMAP_ANN_APR, "APR"}, {BITMAP_ANN_REV, "REV"}, {BITMAP_ANN_ALT, "ALT"}, {BITMAP_ANN_GS, "GS"},
        {BITMAP_ANN_VS, "VS"},  {BITMAP_ANN_RDY, "RDY"}, {BITMAP_ANN_FD, "FD"},  {BITMAP_ANN_CWS, "CWS"}, {BITMAP_ANN_GPSS, "GPSS"}, {BITMAP_ANN_SEL, "SEL"},
    };
    if (entry.id == BITMAP_ANN_FACE) return annunciator_face(entry);
    const int size = legend_size(l, legends, Face::condensed, 12);
    return legend(entry.width, entry.height, l, legends.at(entry.id), Face::condensed, size);
}

}  // namespace art
