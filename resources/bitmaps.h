// Every bitmap the module ships: identifier and size in pixels.
#pragma once

#include <cstdint>

// Bitmap identifiers, by gauge and legend. Each gauge's range begins with its
// face; the three preselectors share one range.
enum : int32_t {
    // "autopilot"
    BITMAP_AP_FACE = 4096,
    BITMAP_AP_HDG = 4099,
    BITMAP_AP_NAV = 4102,
    BITMAP_AP_APR = 4105,
    BITMAP_AP_REV = 4106,
    BITMAP_AP_ALT = 4109,
    BITMAP_AP_GS = 4112,
    BITMAP_AP_VS = 4115,
    BITMAP_AP_RDY = 4118,
    BITMAP_AP_GPSS = 4121,
    // "annunciator"
    BITMAP_ANN_FACE = 4608,
    BITMAP_ANN_HDG = 4611,
    BITMAP_ANN_NAV = 4614,
    BITMAP_ANN_APR = 4617,
    BITMAP_ANN_REV = 4618,
    BITMAP_ANN_ALT = 4621,
    BITMAP_ANN_GS = 4624,
    BITMAP_ANN_VS = 4627,
    BITMAP_ANN_RDY = 4630,
    BITMAP_ANN_FD = 4633,
    BITMAP_ANN_CWS = 4634,
    BITMAP_ANN_GPSS = 4637,
    BITMAP_ANN_SEL = 4640,
    // the three preselectors
    BITMAP_PRESEL_FACE = 5120,
    BITMAP_PRESEL_ENT = 5123,
    BITMAP_PRESEL_SEL = 5126,
    BITMAP_PRESEL_ALR = 5129,
    BITMAP_PRESEL_BARO = 5130,
    BITMAP_PRESEL_ALT = 5133,
    BITMAP_PRESEL_DH = 5136,
    BITMAP_PRESEL_VS = 5139,
};

struct BitmapSize {
    int32_t id;
    int width;
    int height;
};

inline constexpr BitmapSize MODULE_BITMAPS[] = {
    // "autopilot"
    {BITMAP_AP_FACE, 500, 119}, {BITMAP_AP_HDG, 38, 18}, {BITMAP_AP_NAV, 38, 18}, {BITMAP_AP_APR, 38, 18}, {BITMAP_AP_REV, 38, 18},
    {BITMAP_AP_ALT, 38, 18}, {BITMAP_AP_GS, 26, 18}, {BITMAP_AP_VS, 26, 18}, {BITMAP_AP_RDY, 21, 21}, {BITMAP_AP_GPSS, 31, 20},
    // "annunciator"
    {BITMAP_ANN_FACE, 208, 98}, {BITMAP_ANN_HDG, 20, 8}, {BITMAP_ANN_NAV, 20, 8}, {BITMAP_ANN_APR, 20, 8}, {BITMAP_ANN_REV, 20, 8},
    {BITMAP_ANN_ALT, 20, 8}, {BITMAP_ANN_GS, 14, 10}, {BITMAP_ANN_VS, 20, 8}, {BITMAP_ANN_RDY, 20, 8}, {BITMAP_ANN_FD, 14, 10},
    {BITMAP_ANN_CWS, 20, 8}, {BITMAP_ANN_GPSS, 21, 8}, {BITMAP_ANN_SEL, 20, 8},
    // the three preselectors
    {BITMAP_PRESEL_FACE, 213, 100}, {BITMAP_PRESEL_ENT, 21, 10}, {BITMAP_PRESEL_SEL, 20, 10}, {BITMAP_PRESEL_ALR, 21, 10}, {BITMAP_PRESEL_BARO, 27, 10},
    {BITMAP_PRESEL_ALT, 19, 10}, {BITMAP_PRESEL_DH, 15, 10}, {BITMAP_PRESEL_VS, 15, 10},
};
