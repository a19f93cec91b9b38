// The autopilot panel as the host sees it: its records, which legends light
// and when, the vertical-speed read-out, and where it takes clicks.
#include <cstring>
#include <limits>

#include "tests/test_autopilot.h"

using namespace ap_test;

TEST_CASE("autopilot records: legends, read-out and mouse areas where the panel has them") {
    auto host = test::load();
    auto& gauge = host->place("autopilot");
    CHECK(gauge.face()->header.resource_id == 4096);
    REQUIRE(gauge.children().size() == CHILD_COUNT);

    struct Legend {
        int32_t bitmap;
        int x;
        uint32_t token;
    };
    const Legend legends[] = {{4118, 68, 103}, {4099, 29, 106},  {4102, 93, 105},  {4105, 156, 112}, {4106, 222, 113},
                              {4109, 336, 108}, {4112, 376, 111}, {4121, 275, 848}, {4115, 404, 119}};
    for (size_t i = RDY; i <= VS; ++i) {
        CAPTURE(CHILD_NAMES[i]);
        auto* icon = reinterpret_cast<ELEMENT_ICON*>(gauge.children()[i]);
        REQUIRE(icon->header.element_type == ELEMENT_TYPE_ICON);
        CHECK(icon->header.resource_id == legends[i].bitmap);
        CHECK(icon->header.position_x == legends[i].x);
        CHECK(icon->header.position_y == 28);
        CHECK(icon->source.id == legends[i].token);
    }

    auto* readout = reinterpret_cast<ELEMENT_STRING*>(gauge.children()[READOUT]);
    REQUIRE(readout->header.element_type == ELEMENT_TYPE_STRING);
    CHECK(readout->header.position_x == 435);
    CHECK(readout->header.position_y == 28);
    CHECK(readout->source[0].id == TOKEN_VERTICAL_SPEED);
    CHECK(readout->box_width == 35);
    CHECK(readout->box_height == 18);
    CHECK(readout->char_count == 3);

    struct Area {
        int x, y, w, h, cursor;
        uint32_t event;
    };
    const Area areas[] = {
        {26, 77, 44, 18, CURSOR_HAND, evt_hdg_button},  {91, 77, 44, 18, CURSOR_HAND, evt_nav_button},
        {157, 77, 44, 18, CURSOR_HAND, evt_apr_button}, {222, 77, 44, 18, CURSOR_HAND, evt_rev_button},
        {288, 77, 44, 18, CURSOR_HAND, 0},              {336, 77, 16, 18, CURSOR_HAND, 0},
        {355, 77, 44, 18, CURSOR_HAND, 0},              {416, 74, 30, 30, CURSOR_DOWNARROW, 0},
        {458, 74, 30, 30, CURSOR_UPARROW, 0},
    };
    REQUIRE(gauge.areas().size() == 9);
    for (size_t i = 0; i < 9; ++i) {
        CAPTURE(i);
        const MOUSERECT* a = gauge.areas()[i];
        CHECK(a->x == areas[i].x);
        CHECK(a->y == areas[i].y);
        CHECK(a->width == areas[i].w);
        CHECK(a->height == areas[i].h);
        CHECK(a->cursor == areas[i].cursor);
        CHECK(a->event == areas[i].event);
        CHECK(((a->handler != nullptr) == (areas[i].event == 0)));
    }
}

TEST_CASE("autopilot legends are gated by the master state of the same pass") {
    auto host = test::load();
    auto& gauge = host->place("autopilot");

    SUBCASE("with every token at 0 only RDY shows and the read-out is +0") {
        CHECK(lit_legends(gauge) == "RDY");
        CHECK(std::string(gauge.text(READOUT)) == "+0");
    }

    SUBCASE("the master and the lateral modes coming on light together in one cycle") {
        for (uint32_t token : {TOKEN_AP_HDG, TOKEN_AP_NAV, TOKEN_AP_APR, TOKEN_AP_REV, TOKEN_AP_GS, TOKEN_AP_GPSS})
            host->set_token(token, 1);
        CHECK(lit_legends(gauge) == "RDY");
        host->set_token(TOKEN_AP_MASTER, 1);
        CHECK(lit_legends(gauge) == "HDG NAV APR REV GS GPSS");
        // And going off, they all go dark in the very cycle RDY returns.
        host->set_token(TOKEN_AP_MASTER, 0);
        CHECK(lit_legends(gauge) == "RDY");
    }

    SUBCASE("the ALT and VS legends follow the panel's memory, not their tokens") {
        host->set_token(TOKEN_AP_MASTER, 1);
        host->set_token(TOKEN_AP_ALT, 1);
        host->set_token(TOKEN_AP_VS, 1);
        CHECK(lit_legends(gauge) == "");
        click(gauge, VS_BUTTON);
        CHECK(lit_legends(gauge) == "VS");
        host->set_token(TOKEN_AP_VS, 0);
        CHECK(lit_legends(gauge) == "VS");
        // The master dropping (or reading anything but 1) darkens the legend;
        // the memory is kept and shows again when the master returns.
        for (double master : {0.0, 2.0, 0.5, -1.0}) {
            CAPTURE(master);
            host->set_token(TOKEN_AP_MASTER, master);
            CHECK(lit_legends(gauge) == "RDY");
        }
        host->set_token(TOKEN_AP_MASTER, 1.7);  // truncates to 1
        CHECK(lit_legends(gauge) == "VS");
        click(gauge, ALT_BUTTON);
        CHECK(lit_legends(gauge) == "ALT");
    }
}

TEST_CASE("autopilot RDY reads the low 16 bits of the truncated master token") {
    auto host = test::load();
    auto& gauge = host->place("autopilot");
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double master;
        const char* lit;
    };
    // 65537 hides RDY by its low half, yet is not 1, so nothing is engaged.
    const Case cases[] = {{1, ""},       {0.99, "RDY"}, {65537, ""},   {-65535, ""},      {65536, "RDY"},
                          {2, "RDY"},    {inf, "RDY"},  {-inf, "RDY"}, {std::nan(""), "RDY"}, {1e300, "RDY"}};
    for (const Case& c : cases) {
        CAPTURE(c.master);
        host->set_token(TOKEN_AP_MASTER, c.master);
        CHECK(lit_legends(gauge) == c.lit);
    }
}

TEST_CASE("autopilot cycle refreshes the master once and the speed once, and sends nothing") {
    auto host = test::load();
    auto& gauge = host->place("autopilot");
    host->set_token(TOKEN_AP_MASTER, 1);
    host->clear_logs();
    gauge.cycle();
    gauge.cycle();
    CHECK(looked_up(*host) == "103 65 103 65");
    CHECK(host->events().empty());
}

TEST_CASE("autopilot read-out: hundreds of ft/min, climbs rounded, descents cut toward zero") {
    auto host = test::load();
    auto& gauge = host->place("autopilot");
    struct Case {
        double fpm;
        const char* text;
    };
    const Case cases[] = {
        {0, "+0"},        {49, "+0"},       {49.99, "+0"},     {50, "+1"},      {149, "+1"},    {150, "+2"},
        {-49, "+0"},      {-99, "+0"},      {-99.99, "+0"},    {-100, "-1"},    {-150, "-1"},   {-199, "-1"},
        {-200, "-2"},     {1649, "+16"},    {9949, "+99"},     {9950, "+100"},  {-9999, "-99"}, {-10000, "-100"},
    };
    for (const Case& c : cases) {
        CAPTURE(c.fpm);
        double token = speed_token(c.fpm);
        host->set_token(TOKEN_VERTICAL_SPEED, token);
        gauge.cycle();
        CHECK(std::string(gauge.text(READOUT)) == c.text);
        // The callback answers its element's own value unchanged.
        CHECK(gauge.answer(READOUT) == token);
    }
}

TEST_CASE("autopilot read-out is defined and fits its buffer for any speed") {
    auto host = test::load();
    auto& gauge = host->place("autopilot");
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double token;
        const char* text;
    };
    const Case cases[] = {{std::nan(""), "+0"}, {inf, "+21474836"},   {-inf, "-21474836"},
                          {1e300, "+21474836"}, {-1e300, "-21474836"}, {speed_token(2147483600.0), "+21474836"}};
    for (const Case& c : cases) {
        CAPTURE(c.token);
        host->set_token(TOKEN_VERTICAL_SPEED, c.token);
        gauge.cycle();
        CHECK(std::string(gauge.text(READOUT)) == c.text);
        const std::vector<char>& buffer = gauge.buffer(READOUT);
        CHECK(std::memchr(buffer.data(), 0, buffer.size()) != nullptr);
    }
}

TEST_CASE("autopilot clicks: lateral buttons send their one event, the gaps nothing") {
    auto host = test::load();
    auto& gauge = host->place("autopilot");
    host->set_token(TOKEN_AP_MASTER, 1);
    host->set_token(TOKEN_VERTICAL_SPEED, speed_token(700));
    click(gauge, VS_BUTTON);  // some memory to disturb
    CHECK(lit_legends(gauge) == "VS");
    host->clear_logs();

    SUBCASE("HDG, NAV, APR and REV: the area's event only, no module code") {
        const std::pair<Point, uint32_t> buttons[] = {{HDG_BUTTON, evt_hdg_button},
                                                      {NAV_BUTTON, evt_nav_button},
                                                      {APR_BUTTON, evt_apr_button},
                                                      {REV_BUTTON, evt_rev_button}};
        for (auto [point, event] : buttons) {
            CAPTURE(event);
            click(gauge, point);
            CHECK(looked_up(*host) == "");
            CHECK(sent(*host) == std::to_string(event) + ":0(area)");
        }
    }

    SUBCASE("the gaps beside the arm spot and the knob's middle strip") {
        for (int x : {332, 333, 334, 335, 352, 353, 354})
            for (int y : {77, 86, 94}) CHECK(gauge.click(x, y) == -1);
        for (int x = 446; x <= 457; ++x)
            for (int y : {74, 88, 103}) CHECK(gauge.click(x, y) == -1);
        // The edges just outside every button row and knob.
        CHECK(gauge.click(310, 76) == -1);
        CHECK(gauge.click(310, 95) == -1);
        CHECK(gauge.click(430, 73) == -1);
        CHECK(gauge.click(430, 104) == -1);
        CHECK(gauge.click(488, 88) == -1);
        CHECK(host->events().empty());
        CHECK(host->lookups().empty());
    }

    // Whatever was clicked, the VS memory is untouched: VS still shows, and
    // its own button still releases it.
    CHECK(lit_legends(gauge) == "VS");
    host->clear_logs();
    click(gauge, VS_BUTTON);
    CHECK(sent(*host) == "66116:0 66104:0");
}
