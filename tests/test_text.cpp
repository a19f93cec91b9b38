// Read-out texts: the module's own conversions against the C library's
// formatted output in the "C" locale over millions of values (native build),
// against an exact decimal expansion computed here (both builds, the Windows
// one over a share of the values, since its C library formats differently),
// and through the host, also with a comma locale set in the process.
#include <cfloat>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <random>

#include "module/text.h"
#include "tests/test_autopilot.h"
#include "tests/test_preselector.h"

using namespace presel;

namespace {

const double INF = std::numeric_limits<double>::infinity();

// ---- an exact reference, independent of the module's arithmetic ---------

// A natural number in groups of nine decimal digits, least significant first.
using Decimal = std::vector<uint32_t>;
constexpr uint32_t NINE_DIGITS = 1000000000u;

void multiply(Decimal& n, uint32_t factor) {
    uint64_t carry = 0;
    for (uint32_t& group : n) {
        uint64_t product = uint64_t(group) * factor + carry;
        group = uint32_t(product % NINE_DIGITS);
        carry = product / NINE_DIGITS;
    }
    for (; carry != 0; carry /= NINE_DIGITS) n.push_back(uint32_t(carry % NINE_DIGITS));
}

std::string digits_of(Decimal n) {
    while (n.size() > 1 && n.back() == 0) n.pop_back();
    std::string text = std::to_string(n.back());
    for (size_t i = n.size() - 1; i-- > 0;) {
        std::string group = std::to_string(n[i]);
        text += std::string(9 - group.size(), '0') + group;
    }
    return text;
}

// The "%4.1f" text from the value's exact decimal expansion: |x| = m * 2^e
// (m and e from frexp), which is m * 5^-e / 10^-e when e < 0; rounded at the
// tenth by its decimal digits, ties to even; cut to what the buffer holds.
std::string exact_tenths(double x) {
    std::string text;
    if (std::isnan(x)) {
        text = std::signbit(x) ? "-nan" : "nan";
    } else if (std::isinf(x)) {
        text = x < 0 ? "-inf" : "inf";
    } else {
        int binary_exponent;
        double fraction = std::frexp(std::fabs(x), &binary_exponent);
        uint64_t m = uint64_t(std::ldexp(fraction, 53));
        int e = binary_exponent - 53;
        Decimal n{uint32_t(m % NINE_DIGITS), uint32_t(m / NINE_DIGITS)};
        size_t decimals = 0;
        for (; e > 0; e -= std::min(e, 29)) multiply(n, 1u << std::min(e, 29));
        while (e < 0) {
            int step = std::min(-e, 13);
            uint32_t power = 1;
            for (int i = 0; i < step; ++i) power *= 5;
            multiply(n, power);
            e += step;
            decimals += size_t(step);
        }
        std::string all = digits_of(n);
        if (all.size() < decimals + 1) all.insert(0, decimals + 1 - all.size(), '0');
        std::string kept = all.substr(0, all.size() - decimals) + (decimals > 0 ? all.substr(all.size() - decimals, 1) : "0");
        std::string beyond = decimals > 1 ? all.substr(all.size() - decimals + 1) : "";
        bool more_than_half = !beyond.empty() && (beyond[0] > '5' || (beyond[0] == '5' && beyond.find_first_not_of('0', 1) != std::string::npos));
        bool half = !beyond.empty() && beyond[0] == '5' && beyond.find_first_not_of('0', 1) == std::string::npos;
        if (more_than_half || (half && (kept.back() - '0') % 2 == 1)) {
            size_t i = kept.size();
            while (i > 0 && kept[i - 1] == '9') kept[--i] = '0';
            if (i == 0)
                kept.insert(0, "1");
            else
                ++kept[i - 1];
        }
        text = std::string(std::signbit(x) ? "-" : "") + kept.substr(0, kept.size() - 1) + "." + kept.back();
    }
    if (text.size() < 4) text.insert(0, 4 - text.size(), ' ');
    return text.substr(0, MODULE_TEXT_BUFFER_SIZE - 1);
}

std::string exact_signed(int32_t v) {
    return (v < 0 ? "-" : "+") + std::to_string(v < 0 ? -int64_t(v) : int64_t(v));
}

// ---- the values compared -------------------------------------------------

double from_bits(uint64_t bits) {
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

// The "%4.1f" values: with share 1 every one (over ten million), with a
// larger share about one in `share` of the bulk; boundaries always whole.
template <typename Visit>
void each_tenths_value(unsigned share, Visit&& visit) {
    // Every multiple of 0.05 in +-200,000, as its nearest double (the x.x5
    // among them lie just above or just below their half).
    for (int64_t k = -4000000; k <= 4000000; k += share) visit(double(k) / 20.0);
    // Exact halves of a tenth are the quarters n + 0.25 and n + 0.75, which
    // round to the even tenth; and the doubles either side of them.
    for (int64_t n = -(1 << 17); n < (1 << 17); n += share)
        for (double quarter : {0.25, 0.75}) {
            double x = double(n) + quarter;
            visit(x);
            visit(std::nextafter(x, -INF));
            visit(std::nextafter(x, INF));
        }
    std::mt19937_64 random(20261209);
    const unsigned bulk = 1000000 / share;
    for (unsigned i = 0; i < bulk; ++i) {
        double quarter = double(random() >> (13 + random() % 51)) + (random() % 2 ? 0.25 : 0.75);
        visit(random() % 2 ? quarter : -quarter);
    }
    // Any bit pattern: every magnitude, subnormals, infinities, NaNs.
    for (unsigned i = 0; i < bulk; ++i) visit(from_bits(random()));
    // Random mantissas from 2^-117 to 2^110: the sizes whose tenth is
    // rounded, and those whose text is longer than the buffer.
    for (unsigned i = 0; i < bulk; ++i) {
        double x = std::ldexp(double(random() >> 11), int(random() % 175) - 117);
        visit(random() % 2 ? x : -x);
    }
    // What the read-outs show: feet / 1000, the pressure setting in inches
    // of mercury and in hectopascals.
    for (int32_t feet = -100000; feet <= 200000; feet += share) visit(feet / 1000.0);
    for (int32_t hundredths = 2500; hundredths <= 3300; ++hundredths) visit(hundredths / 100.0);
    for (int32_t tenths = 9000; tenths <= 11000; ++tenths) visit(tenths / 10.0);
    // Boundaries of the integer sizes, of digit counts and of the double.
    std::vector<double> anchors = {0.0, 0.05, 0.95, 9.95, 99.95, 999.95, 9999.95, 0x1p31, 0x1p32, 0x1p52, 0x1p53,
                                   0x1p63, 0x1p64, 1e29, 1e30, DBL_MAX, DBL_MIN, std::numeric_limits<double>::denorm_min()};
    for (int k = -20; k <= 308; ++k) anchors.push_back(std::pow(10.0, k));
    for (int k = -70; k <= 1023; ++k) anchors.push_back(std::ldexp(1.0, k));
    for (double anchor : anchors)
        for (double sign : {1.0, -1.0}) {
            double up = sign * anchor, down = up;
            visit(up);
            for (int i = 0; i < 3; ++i) {
                visit(up = std::nextafter(up, INF));
                visit(down = std::nextafter(down, -INF));
            }
        }
    for (uint64_t bits : {0x7FF8000000000000u, 0xFFF8000000000000u, 0x7FF0000000000001u, 0xFFFFFFFFFFFFFFFFu,
                          0x7FF0000000000000u, 0xFFF0000000000000u})
        visit(from_bits(bits));
}

template <typename Visit>
void each_signed_value(unsigned share, Visit&& visit) {
    for (int64_t v = INT32_MIN; v < INT32_MIN + 100000; v += share) visit(int32_t(v));
    for (int64_t v = INT32_MAX; v > INT32_MAX - 100000; v -= share) visit(int32_t(v));
    for (int32_t v = -1000000; v <= 1000000; v += share) visit(v);
    for (int64_t power = 10; power <= INT32_MAX; power *= 10)
        for (int64_t v : {power - 1, power, power + 1, -power - 1, -power, 1 - power}) visit(int32_t(v));
    std::mt19937 random(20261209);
    for (unsigned i = 0; i < 1000000 / share; ++i) visit(int32_t(random()));
}

// The exact reference is slow beside the module: it takes about one in a
// thousand of the bulk. The Windows build, run under an emulator, takes that
// share of the signed values too.
constexpr unsigned EXACT_SHARE = 1000;
#ifdef _WIN32
constexpr unsigned SIGNED_SHARE = 1000;
#else
constexpr unsigned SIGNED_SHARE = 1;
#endif

// ---- comparing -----------------------------------------------------------

// The module's text, written into a buffer with guard bytes past the
// host's 32; empty if it ran past them or left no NUL inside the 32.
constexpr size_t GUARD = 8;
template <typename Format, typename Value>
const char* module_text(Format format, Value value, char (&bytes)[MODULE_TEXT_BUFFER_SIZE + GUARD]) {
    std::memset(bytes, '#', sizeof bytes);
    format(bytes, value);
    bool guard_intact = std::memcmp(bytes + MODULE_TEXT_BUFFER_SIZE, "########", GUARD) == 0;
    if (!guard_intact || !std::memchr(bytes, 0, MODULE_TEXT_BUFFER_SIZE)) return "<outside the buffer>";
    return bytes;
}

std::string bits_text(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    char hex[19] = "0x";
    for (int i = 0; i < 16; ++i) hex[2 + i] = "0123456789abcdef"[bits >> (60 - 4 * i) & 0xF];
    return hex;
}

// Counts the values whose texts differ, keeping the first few for the report.
struct Differences {
    size_t compared = 0, differing = 0;
    std::string first;
    template <typename Name>
    void compare(const char* got, const char* want, Name&& name) {
        ++compared;
        if (std::strcmp(got, want) == 0) return;
        if (++differing <= 10) first += name() + ": \"" + got + "\", expected \"" + want + "\"\n";
    }
};

void report(const Differences& d) {
    INFO(d.differing << " of " << d.compared << " values differ; the first:\n" << d.first);
    CHECK(d.differing == 0);
}

// The C library's formatting, in the "C" locale for the test's length.
struct CLocale {
    std::string before = std::setlocale(LC_ALL, nullptr);
    CLocale() { std::setlocale(LC_NUMERIC, "C"); }
    ~CLocale() { std::setlocale(LC_ALL, before.c_str()); }
};

// A comma locale for the test's length, then the "C" locale again.
struct CommaLocale {
    bool took;
    explicit CommaLocale(const char* name) : took(std::setlocale(LC_ALL, name) != nullptr) {}
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
};

}  // namespace

TEST_CASE("tenths: every text is the exact decimal value rounded half to even, cut to the buffer") {
    Differences d;
    char bytes[MODULE_TEXT_BUFFER_SIZE + GUARD];
    each_tenths_value(EXACT_SHARE, [&](double x) {
        d.compare(module_text(module_format_tenths, x, bytes), exact_tenths(x).c_str(), [&] { return bits_text(x); });
    });
    report(d);
}

TEST_CASE("signed: sign always, then the digits, for every 32-bit boundary") {
    Differences d;
    char bytes[MODULE_TEXT_BUFFER_SIZE + GUARD];
    each_signed_value(SIGNED_SHARE, [&](int32_t v) {
        d.compare(module_text(module_format_signed, v, bytes), exact_signed(v).c_str(), [&] { return std::to_string(v); });
    });
    report(d);
}

#ifndef _WIN32
TEST_CASE("tenths and signed texts are the C library's in the C locale, over ten million values") {
    CLocale c_locale;
    Differences tenths, integers;
    char bytes[MODULE_TEXT_BUFFER_SIZE + GUARD];
    char want[MODULE_TEXT_BUFFER_SIZE];
    each_tenths_value(1, [&](double x) {
        std::snprintf(want, sizeof want, "%4.1f", x);
        tenths.compare(module_text(module_format_tenths, x, bytes), want, [&] { return bits_text(x); });
    });
    each_signed_value(1, [&](int32_t v) {
        std::snprintf(want, sizeof want, "%+02i", v);
        integers.compare(module_text(module_format_signed, v, bytes), want, [&] { return std::to_string(v); });
    });
    report(tenths);
    report(integers);
    CHECK(tenths.compared > 10000000);
}

TEST_CASE("the exact reference is the C library's in the C locale") {
    CLocale c_locale;
    Differences d;
    char want[MODULE_TEXT_BUFFER_SIZE];
    each_tenths_value(EXACT_SHARE, [&](double x) {
        std::snprintf(want, sizeof want, "%4.1f", x);
        d.compare(exact_tenths(x).c_str(), want, [&] { return bits_text(x); });
    });
    report(d);
}
#endif

// ---- through the host, as a panel shows them ------------------------------

namespace {

// What the altitude read-out of a freshly placed "altpreselector" shows for
// a pressure setting (at load it shows that) and, in normal mode, for an
// altitude reference.
struct Shown {
    double value;
    const char* text;
};

const Shown PRESSURE_SETTINGS[] = {
    {29.92, "29.9"},         {29.95, "29.9"},  // the nearest double of 29.95 lies below it
    {29.25, "29.2"},         {29.75, "29.8"},  // exact halves, to the even tenth
    {-0.0, "-0.0"},          {-0.04, "-0.0"},
    {0.05, " 0.1"},          {1013.25, "1013.2"},
    {2147483647.0, "2147483647.0"}, {2147483648.5, "2147483648.5"}, {4294967295.95, "4294967295.9"},
    {9007199254740993.0, "9007199254740992.0"},
    {1e29, "99999999999999991433150857216.0"},  // 31 characters: whole
    {-1e29, "-99999999999999991433150857216."}, // 32: the first 31
    {1e30, "1000000000000000019884624838656"},
};

const Shown ALTITUDE_REFERENCES[] = {
    {250, " 0.2"},  {750, " 0.8"},    {1250, " 1.2"},    {-250, "-0.2"},  {-49, "-0.0"},
    {-50, "-0.1"},  {9950, " 9.9"},   {9960, "10.0"},    {12500, "12.5"}, {99950, "100.0"},
    {-10000, "-10.0"},
};

void check_shown(panelhost::Host& host, panelhost::Gauge& gauge, int token, const Shown& shown) {
    CAPTURE(shown.value);
    host.set_token(token, shown.value);
    gauge.cycle();
    CHECK(std::string(gauge.text(ALT_READOUT)) == shown.text);
}

}  // namespace

TEST_CASE("altitude read-out through the host: halves to even, signed zeros, long texts cut") {
    auto host = test::load();
    auto& gauge = host->place("altpreselector");
    for (const Shown& s : PRESSURE_SETTINGS) check_shown(*host, gauge, TOKEN_BARO, s);
    press(gauge, DTA_BUTTON);  // normal mode: the altitude reference
    for (const Shown& s : ALTITUDE_REFERENCES) check_shown(*host, gauge, TOKEN_AP_ALT_REF, s);
}

#ifndef _WIN32
TEST_CASE("altitude read-out through the host is the C library's for every whole-foot reference") {
    CLocale c_locale;
    auto host = test::load();
    auto& gauge = host->place("altpreselector");
    press(gauge, DTA_BUTTON);
    Differences d;
    char want[MODULE_TEXT_BUFFER_SIZE];
    for (int32_t feet = -20000; feet <= 100000; ++feet) {
        host->set_token(TOKEN_AP_ALT_REF, feet);
        gauge.cycle();
        std::snprintf(want, sizeof want, "%4.1f", feet / 1000.0);
        d.compare(gauge.text(ALT_READOUT), want, [&] { return std::to_string(feet) + " ft"; });
    }
    report(d);
}
#endif

namespace {

// A comma locale in the host process changes nothing the module writes.
void check_read_outs_with_comma_locale() {
    REQUIRE(std::string(std::localeconv()->decimal_point) == ",");
    auto host = test::load();
    host->set_token(TOKEN_BARO, 29.92);
    host->set_token(TOKEN_AP_VS_REF, -1250);
    auto& presel = host->place("altpreselector");
    auto& autopilot = host->place("autopilot");
    CHECK(shows(presel) == "ENT BARO | 29.9");
    press(presel, DTA_BUTTON);
    host->set_token(TOKEN_AP_ALT_REF, 12500);
    presel.cycle();
    CHECK(std::string(presel.text(ALT_READOUT)) == "12.5");
    CHECK(std::string(presel.text(VS_READOUT)) == "-12");
    host->set_token(TOKEN_VERTICAL_SPEED, 0);
    autopilot.cycle();
    CHECK(std::string(autopilot.text(ap_test::READOUT)) == "+0");
}

}  // namespace

#ifdef _WIN32
TEST_CASE("read-outs keep their decimal point under a comma locale") {
    CommaLocale german("German_Germany.1252");
    REQUIRE_MESSAGE(german.took, "the locale German_Germany.1252 is not available here");
    check_read_outs_with_comma_locale();
}
#else
TEST_CASE("read-outs keep their decimal point under a comma locale") {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
        CommaLocale comma(name);
        if (!comma.took) continue;
        // The C library does write a comma in this locale.
        char printed[8];
        std::snprintf(printed, sizeof printed, "%.1f", 12.5);
        CHECK(std::string(printed) == "12,5");
        check_read_outs_with_comma_locale();
        return;
    }
    MESSAGE("skipped: no comma locale (de_DE.UTF-8, fr_FR.UTF-8) is installed");
}
#endif
