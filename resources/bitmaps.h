// Every bitmap the module ships: identifier and size in pixels.
#pragma once

#include <cstdint>

struct BitmapSize {
    int32_t id;
    int width;
    int height;
};

inline constexpr BitmapSize MODULE_BITMAPS[] = {
    // "autopilot"
    {4096, 500, 119}, {4099, 38, 18}, {4102, 38, 18}, {4105, 38, 18}, {4106, 38, 18},
    {4109, 38, 18}, {4112, 26, 18}, {4115, 26, 18}, {4118, 21, 21}, {4121, 31, 20},
    // "annunciator"
    {4608, 208, 98}, {4611, 20, 8}, {4614, 20, 8}, {4617, 20, 8}, {4618, 20, 8},
    {4621, 20, 8}, {4624, 14, 10}, {4627, 20, 8}, {4630, 20, 8}, {4633, 14, 10},
    {4634, 20, 8}, {4637, 21, 8}, {4640, 20, 8},
    // the three preselectors
    {5120, 213, 100}, {5123, 21, 10}, {5126, 20, 10}, {5129, 21, 10}, {5130, 27, 10},
    {5133, 19, 10}, {5136, 15, 10}, {5139, 15, 10},
};
