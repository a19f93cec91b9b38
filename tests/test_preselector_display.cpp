// The preselector's two read-outs: exact texts, the cases of the altitude
// read-out per rendition, and values no instrument would show.
#include <cstring>

#include "tests/test_preselector.h"

using namespace presel;

namespace {
const double INF = std::numeric_limits<double>::infinity();

std::string vs_text(panelhost::Host& host, panelhost::Gauge& gauge, double reference) {
    host.set_token(TOKEN_AP_VS_REF, reference);
    gauge.cycle();
    return gauge.text(VS_READOUT);
}

// The text fits the host's 32-byte buffer and is NUL-terminated inside it.
void check_in_buffer(panelhost::Gauge& gauge, size_t child) {
    const std::vector<char>& buffer = gauge.buffer(child);
    REQUIRE(buffer.size() == MODULE_TEXT_BUFFER_SIZE);
    CHECK(std::memchr(buffer.data(), 0, buffer.size()) != nullptr);
}
}  // namespace

TEST_CASE("vertical-speed read-out: hundreds of ft/min, truncated, sign always written") {
    auto host = test::load();
    for (const char* name : {"altpreselector", "vcaltpreselector", "altpreselectornosnd"}) {
        CAPTURE(name);
        auto& gauge = host->place(name);
        CHECK(vs_text(*host, gauge, 1250) == "+12");
        CHECK(vs_text(*host, gauge, -1250) == "-12");
        CHECK(vs_text(*host, gauge, -150) == "-1");
        CHECK(vs_text(*host, gauge, -99.9) == "+0");
        CHECK(vs_text(*host, gauge, 0) == "+0");
        CHECK(vs_text(*host, gauge, 10000) == "+100");
        CHECK(gauge.answer(VS_READOUT) == 10000);  // the element's own source value
        CHECK(vs_text(*host, gauge, 1e300) == "+21474836");
        CHECK(vs_text(*host, gauge, -INF) == "-21474836");
        CHECK(vs_text(*host, gauge, std::nan("")) == "+0");
        check_in_buffer(gauge, VS_READOUT);
    }
}

TEST_CASE("altitude read-out: thousands of feet, one decimal, four characters") {
    auto host = test::load();
    auto& gauge = host->place("altpreselector");
    press(gauge, DTA_BUTTON);  // the altitude reference
    const struct {
        double feet;
        const char* text;
    } cases[] = {{900, " 0.9"}, {12500, "12.5"}, {-100, "-0.1"}, {0, " 0.0"}, {99949, "99.9"}, {100000, "100.0"}};
    for (const auto& c : cases) {
        CAPTURE(c.feet);
        host->set_token(TOKEN_AP_ALT_REF, c.feet);
        gauge.cycle();
        CHECK(std::string(gauge.text(ALT_READOUT)) == c.text);
        CHECK(gauge.answer(ALT_READOUT) == c.feet);
    }
    press(gauge, ALT_BUTTON);  // the aircraft altitude
    host->set_token(TOKEN_ALTITUDE, 900);
    CHECK(shows(gauge) == "ALT |  0.9");
}

TEST_CASE("altitude read-out at load: the baro setting, except on the vc rendition") {
    auto host = test::load();
    set_sources(*host);
    host->set_token(TOKEN_BARO, 1013.4);
    auto& panel = host->place("altpreselector");
    auto& nosnd = host->place("altpreselectornosnd");
    auto& vc = host->place("vcaltpreselector");
    CHECK(shows(panel) == "ENT BARO | 1013.4");
    CHECK(shows(nosnd) == "ENT BARO | 1013.4");
    CHECK(shows(vc) == "ENT BARO |  7.0");
    // Each returns its own source value, the altitude reference.
    for (auto* gauge : {&panel, &nosnd, &vc}) CHECK(gauge->answer(ALT_READOUT) == 7000);

    // The decision height comes first on every rendition.
    press(panel, DH_BUTTON);
    press(panel, KNOB_INC, 2);
    for (auto* gauge : {&panel, &nosnd, &vc}) CHECK(shows(*gauge) == "ENT DH |  0.2");
}

TEST_CASE("altitude read-out of values no instrument shows stays inside the buffer") {
    auto host = test::load();
    auto& panel = host->place("altpreselector");
    auto& vc = host->place("vcaltpreselector");
    const struct {
        double value;
        const char* text;
    } cases[] = {{INF, " inf"}, {-INF, "-inf"}, {std::nan(""), " nan"}};
    for (const auto& c : cases) {
        CAPTURE(c.value);
        host->set_token(TOKEN_BARO, c.value);
        host->set_token(TOKEN_AP_ALT_REF, c.value);
        for (auto* gauge : {&panel, &vc}) {
            gauge->cycle();
            CHECK(std::string(gauge->text(ALT_READOUT)) == c.text);
        }
    }
    // 1e297 thousands of feet: hundreds of digits, cut to 31 characters.
    for (double huge : {1e300, -1e300}) {
        host->set_token(TOKEN_BARO, huge);
        host->set_token(TOKEN_AP_ALT_REF, huge);
        for (auto* gauge : {&panel, &vc}) {
            gauge->cycle();
            std::string text = gauge->text(ALT_READOUT);
            CHECK(text.size() == MODULE_TEXT_BUFFER_SIZE - 1);
            CHECK(text.find_first_not_of(huge > 0 ? "0123456789" : "-0123456789") == std::string::npos);
            check_in_buffer(*gauge, ALT_READOUT);
        }
    }
}
