// The annunciator: twelve legends, each a function of its own token.
#include <cmath>
#include <limits>

#include "module/tokens.h"
#include "tests/support.h"

namespace {
// The legends in list order with their tokens.
struct Legend {
    const char* name;
    uint32_t token;
};
const Legend LEGENDS[] = {
    {"HDG", TOKEN_AP_HDG}, {"NAV", TOKEN_AP_NAV}, {"APR", TOKEN_AP_APR},   {"REV", TOKEN_AP_REV},
    {"ALT", TOKEN_AP_ALT}, {"GS", TOKEN_AP_GS},   {"VS", TOKEN_AP_VS},     {"RDY", TOKEN_AP_MASTER},
    {"FD", TOKEN_AP_FD},   {"CWS", TOKEN_AP_VS},  {"GPSS", TOKEN_AP_GPSS}, {"SEL", TOKEN_AP_VS},
};
const size_t RDY = 7;

std::string lit_legends(panelhost::Gauge& gauge) {
    gauge.cycle();
    std::string out;
    for (size_t i = 0; i < gauge.children().size(); ++i)
        if (gauge.lit(i)) out += std::string(out.empty() ? "" : " ") + LEGENDS[i].name;
    return out;
}
}  // namespace

TEST_CASE("annunciator records: twelve icons at their places with their tokens") {
    auto host = test::load();
    auto& gauge = host->place("annunciator");
    const int positions[12][3] = {{4611, 29, 35}, {4614, 58, 35},  {4617, 88, 35},  {4618, 122, 35},
                                  {4621, 58, 46}, {4624, 86, 46},  {4627, 29, 46},  {4630, 153, 58},
                                  {4633, 102, 46}, {4634, 121, 46}, {4637, 153, 35}, {4640, 29, 58}};
    CHECK(gauge.face()->header.resource_id == 4608);
    REQUIRE(gauge.children().size() == 12);
    for (size_t i = 0; i < 12; ++i) {
        CAPTURE(LEGENDS[i].name);
        auto* icon = reinterpret_cast<ELEMENT_ICON*>(gauge.children()[i]);
        CHECK(icon->header.element_type == ELEMENT_TYPE_ICON);
        CHECK(icon->header.resource_id == positions[i][0]);
        CHECK(icon->header.position_x == positions[i][1]);
        CHECK(icon->header.position_y == positions[i][2]);
        CHECK(icon->source.id == LEGENDS[i].token);
    }
    CHECK(gauge.areas().empty());
}

TEST_CASE("annunciator lights each legend from its own token") {
    auto host = test::load();
    auto& gauge = host->place("annunciator");
    CHECK(lit_legends(gauge) == "RDY");

    host->set_token(TOKEN_AP_MASTER, 1);
    CHECK(lit_legends(gauge) == "");

    host->set_token(TOKEN_AP_HDG, 1);
    host->set_token(TOKEN_AP_GPSS, 1);
    host->set_token(TOKEN_AP_FD, 1);
    CHECK(lit_legends(gauge) == "HDG FD GPSS");

    // One token drives VS, CWS and SEL together.
    host->set_token(TOKEN_AP_VS, 1);
    CHECK(lit_legends(gauge) == "HDG VS FD CWS GPSS SEL");
    host->set_token(TOKEN_AP_VS, 0);
    CHECK(lit_legends(gauge) == "HDG FD GPSS");

    // A plain lamp answers its value minus one.
    host->set_token(TOKEN_AP_NAV, 0.25);
    gauge.cycle();
    CHECK(gauge.answer(1) == doctest::Approx(-0.75));
}

TEST_CASE("annunciator RDY follows the low 16 bits of the truncated master token") {
    auto host = test::load();
    auto& gauge = host->place("annunciator");
    struct Case {
        double master;
        bool lit;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {{0, true},       {1, false},       {2, true},    {1.9, false},   {0.9, true},
                          {65537, false},  {131073, false},  {65536, true}, {-65535, false}, {std::nan(""), true},
                          {inf, true},     {-inf, true},     {1e300, true}, {-1e300, true}};
    for (const Case& c : cases) {
        CAPTURE(c.master);
        host->set_token(TOKEN_AP_MASTER, c.master);
        gauge.cycle();
        CHECK(gauge.lit(RDY) == c.lit);
        CHECK((gauge.answer(RDY) == 0.0 || gauge.answer(RDY) == -1.0));
    }
}

TEST_CASE("annunciator takes no click and sends nothing") {
    auto host = test::load();
    auto& gauge = host->place("annunciator");
    for (int y = -5; y < 110; y += 7)
        for (int x = -5; x < 220; x += 7) CHECK(gauge.click(x, y) == -1);
    gauge.cycle();
    CHECK(host->events().empty());
    // The lamps call no host service: the only lookups are none at all.
    CHECK(host->lookups().empty());
}
