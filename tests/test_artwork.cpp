// The artwork as a host loads it from the module: display glass and legends
// in the one tan, dark letters, the near-black autopilot panel, and push
// buttons drawn where their mouse areas are.
#include <cstdint>
#include <vector>

#include "resources/bitmaps.h"
#include "tests/support.h"

namespace {
constexpr uint32_t GLASS = 0xCFB466;  // RGB 207, 180, 102
constexpr uint32_t PANEL = 0x080808;  // RGB 8, 8, 8

struct Box {
    int x, y, w, h;
};

struct Face {
    const char* gauge;
    int32_t id;
    Box glass;                  // the tan display window, inclusive bounds as x, y, w, h
    std::vector<Box> buttons;   // labelled push buttons, as their mouse areas
};

const Face FACES[] = {
    {"autopilot", 4096, {24, 25, 450, 24},
     {{26, 77, 44, 18}, {91, 77, 44, 18}, {157, 77, 44, 18}, {222, 77, 44, 18}, {288, 77, 44, 18}, {355, 77, 44, 18}}},
    {"annunciator", 4608, {28, 30, 150, 40}, {}},
    {"altpreselector", 5120, {42, 23, 127, 35},
     {{9, 29, 20, 10}, {9, 53, 20, 10}, {30, 78, 20, 10}, {61, 78, 20, 10}, {93, 78, 20, 10}, {127, 78, 20, 10},
      {162, 78, 20, 10}}},
};

bool is_face(int32_t id) { return id == 4096 || id == 4608 || id == 5120; }

// Whether `c` lies on the blend from the glass to the ink, channel by channel
// (antialiased letter edges), within rounding.
bool between_glass_and_ink(uint32_t c) {
    const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
    const double t = (207.0 - r) / (207 - 8);
    auto near = [t](int value, int glass) { return std::abs(value - (glass - t * (glass - 8))) <= 2.0; };
    return t >= -0.01 && t <= 1.01 && near(g, 180) && near(b, 102);
}
}  // namespace

TEST_CASE("each face's display window is exactly the tan glass, edge to edge") {
    auto host = test::load();
    for (const Face& face : FACES) {
        CAPTURE(face.gauge);
        const auto& bitmap = host->place(face.gauge).bitmap(face.id);
        const Box& g = face.glass;
        int off_glass = 0;
        for (int y = g.y; y < g.y + g.h; ++y)
            for (int x = g.x; x < g.x + g.w; ++x) off_glass += bitmap.rgb(x, y) != GLASS;
        CHECK(off_glass == 0);
        // The window ends at its bounds: the ring of pixels around it is not glass.
        int glass_outside = 0;
        for (int x = g.x - 1; x <= g.x + g.w; ++x)
            glass_outside += (bitmap.rgb(x, g.y - 1) == GLASS) + (bitmap.rgb(x, g.y + g.h) == GLASS);
        for (int y = g.y; y < g.y + g.h; ++y)
            glass_outside += (bitmap.rgb(g.x - 1, y) == GLASS) + (bitmap.rgb(g.x + g.w, y) == GLASS);
        CHECK(glass_outside == 0);
    }
}

TEST_CASE("the autopilot panel is near-black and no bitmap uses pure black") {
    auto host = test::load();
    const auto& face = host->place("autopilot").bitmap(4096);
    for (auto [x, y] : {std::pair{2, 2}, {10, 110}, {250, 70}, {250, 112}, {343, 100}, {497, 60}}) {
        CAPTURE(x);
        CAPTURE(y);
        CHECK(face.rgb(x, y) == PANEL);
    }
    for (const char* name : {"autopilot", "annunciator", "altpreselector"})
        for (const auto& [id, bitmap] : host->place(name).bitmaps()) {
            CAPTURE(id);
            int black = 0;
            for (int y = 0; y < bitmap.height; ++y)
                for (int x = 0; x < bitmap.width; ++x) black += bitmap.rgb(x, y) == 0;
            CHECK(black == 0);
        }
}

TEST_CASE("every legend is dark lettering on the glass tan") {
    auto host = test::load();
    int legends = 0;
    for (const char* name : {"autopilot", "annunciator", "altpreselector"})
        for (const auto& [id, bitmap] : host->place(name).bitmaps()) {
            if (is_face(id)) continue;
            CAPTURE(id);
            ++legends;
            // Corners are background: a hidden legend and a lit one share the glass.
            CHECK(bitmap.rgb(0, 0) == GLASS);
            CHECK(bitmap.rgb(bitmap.width - 1, 0) == GLASS);
            CHECK(bitmap.rgb(0, bitmap.height - 1) == GLASS);
            CHECK(bitmap.rgb(bitmap.width - 1, bitmap.height - 1) == GLASS);
            int ink = 0, foreign = 0;
            for (int y = 0; y < bitmap.height; ++y)
                for (int x = 0; x < bitmap.width; ++x) {
                    uint32_t c = bitmap.rgb(x, y);
                    ink += c == PANEL;
                    foreign += !between_glass_and_ink(c);
                }
            CHECK(ink >= 4);       // there are letters
            CHECK(foreign == 0);   // and nothing but letters on the glass
        }
    CHECK(legends == 28);
}

TEST_CASE("push buttons are drawn on their mouse areas") {
    auto host = test::load();
    for (const Face& face : FACES) {
        CAPTURE(face.gauge);
        const auto& bitmap = host->place(face.gauge).bitmap(face.id);
        for (const Box& b : face.buttons) {
            CAPTURE(b.x);
            CAPTURE(b.y);
            // Just outside the box the panel shows; the box itself is the button.
            const uint32_t panel = bitmap.rgb(b.x - 1, b.y + b.h / 2);
            CHECK(bitmap.rgb(b.x + b.w, b.y + b.h / 2) == panel);
            CHECK(bitmap.rgb(b.x + b.w / 2, b.y + b.h) == panel);
            CHECK(bitmap.rgb(b.x + 2, b.y + 2) != panel);
            CHECK(bitmap.rgb(b.x + b.w - 3, b.y + b.h - 3) != panel);
            // A white-painted label sits on the cap.
            int paint = 0;
            for (int y = b.y; y < b.y + b.h; ++y)
                for (int x = b.x; x < b.x + b.w; ++x) paint += (bitmap.rgb(x, y) >> 16) > 200;
            CHECK(paint >= 4);
        }
    }
}
