#include "host/working_words.h"

#include <cstring>

namespace panelhost {

namespace {

// A run at `word` of `count` words; on the 32-bit target the record's layout
// is checked to put it there.
#if defined(__i386__)
#define CHECK_RUN(type, field, word, count)                          \
    static_assert(offsetof(type, field) == (word) * 4 &&             \
                      sizeof(static_cast<type*>(nullptr)->field) == (count) * 4, \
                  #type "." #field " is not words " #word " to " #word " + " #count " - 1")
#else
#define CHECK_RUN(type, field, word, count)
#endif

#define RUN(type, record, field, word, count)                                                     \
    do {                                                                                          \
        CHECK_RUN(type, field, word, count);                                                      \
        emit({gauge, element, word, count, &(record)->field, sizeof((record)->field)});           \
    } while (0)

struct Runs {
    const GAUGEHDR* gauge;
    WorkingRunVisit visit;
    void* context;

    void emit(const WorkingRun& run) const { visit(run, context); }

    void header(GAUGEHDR* h) const {
        const int element = -1;
        RUN(GAUGEHDR, h, reserved_10, 10, 1);
        RUN(GAUGEHDR, h, reserved_12_19, 12, 8);
        RUN(GAUGEHDR, h, reserved_22_63, 22, 42);
    }

    void record(int element, ELEMENT_HEADER* e) const {
        RUN(ELEMENT_HEADER, e, reserved_4_7, 4, 4);
        RUN(ELEMENT_HEADER, e, reserved_9, 9, 1);
        RUN(ELEMENT_HEADER, e, reserved_13_14, 13, 2);
        if (e->element_type == ELEMENT_TYPE_STATIC_IMAGE) {
            auto* f = reinterpret_cast<ELEMENT_STATIC_IMAGE*>(e);
            RUN(ELEMENT_STATIC_IMAGE, f, reserved_15_23, 15, 9);
        } else if (e->element_type == ELEMENT_TYPE_ICON) {
            auto* i = reinterpret_cast<ELEMENT_ICON*>(e);
            RUN(ELEMENT_ICON, i, source.reserved_1_2, 16, 2);
            RUN(ELEMENT_ICON, i, source.reserved_5_6, 20, 2);
            RUN(ELEMENT_ICON, i, reserved_22_27, 22, 6);
            RUN(ELEMENT_ICON, i, reserved_29_32, 29, 4);
            RUN(ELEMENT_ICON, i, reserved_34, 34, 1);
        } else if (e->element_type == ELEMENT_TYPE_STRING) {
            auto* s = reinterpret_cast<ELEMENT_STRING*>(e);
            RUN(ELEMENT_STRING, s, source[0].reserved_1_2, 16, 2);
            RUN(ELEMENT_STRING, s, source[0].reserved_5_6, 20, 2);
            RUN(ELEMENT_STRING, s, source[1].reserved_1_2, 23, 2);
            RUN(ELEMENT_STRING, s, source[1].reserved_5_6, 27, 2);
            RUN(ELEMENT_STRING, s, source[2].reserved_1_2, 30, 2);
            RUN(ELEMENT_STRING, s, source[2].reserved_5_6, 34, 2);
            RUN(ELEMENT_STRING, s, reserved_36_45, 36, 10);
            RUN(ELEMENT_STRING, s, reserved_47, 47, 1);
            RUN(ELEMENT_STRING, s, reserved_50_51, 50, 2);
            RUN(ELEMENT_STRING, s, style.reserved_3_9, 55, 7);
            RUN(ELEMENT_STRING, s, reserved_74_77, 74, 4);
            RUN(ELEMENT_STRING, s, reserved_79_80, 79, 2);
        }
    }
};

#undef RUN
#undef CHECK_RUN

// A face list that runs on past this is not walked further.
constexpr size_t CHILD_LIMIT = 64;

}  // namespace

void visit_working_runs(GAUGEHDR* header, WorkingRunVisit visit, void* context) {
    if (!header) return;
    Runs runs{header, visit, context};
    runs.header(header);
    ELEMENT_HEADER* face = header->element_list ? header->element_list[0] : nullptr;
    if (!face) return;
    runs.record(0, face);
    ELEMENT_HEADER** next = face->next_element;
    for (size_t i = 0; next && i < CHILD_LIMIT && next[i]; ++i) runs.record(int(i + 1), next[i]);
}

// Four kinds, two 32-bit words at a time: an address inside the records
// (both words on the 32-bit target, one pointer natively), a double of
// changing value and sign, -1 beside a count, and a counter-derived bit
// pattern. Each pair of words takes the next kind on every write, so that
// every word changes from one write to the next.
uint64_t WorkingWordsWriter::next(const void* near, uint64_t pair) {
    uint64_t n = writes_ * 4096 + pair + 1;
    uint64_t value = 0;
    switch ((writes_ + pair) % 4) {
    case 0: {
        uint64_t address = uint64_t(reinterpret_cast<uintptr_t>(near)) + 8 * (pair % 16);
        value = sizeof(void*) == 4 ? address | (address + 4) << 32 : address;
        break;
    }
    case 1: {
        double d = (n % 2 ? 1.0 : -1.0) * double(n) * 1000.0 / 3.0;
        std::memcpy(&value, &d, sizeof value);
        break;
    }
    case 2: value = 0xFFFFFFFFull | n << 32; break;
    default: value = n * 0x9E3779B97F4A7C15ull; break;
    }
    // No word of it is 0, whatever the kind gave.
    if (uint32_t(value) == 0) value |= 1;
    if (uint32_t(value >> 32) == 0) value |= uint64_t(n | 1) << 32;
    return value;
}

void WorkingWordsWriter::write(GAUGEHDR* const* headers, size_t count) {
    ++writes_;
    uint64_t pair = 0;
    for (size_t g = 0; g < count && headers[g]; ++g)
        for_each_working_run(headers[g], [&](const WorkingRun& run) {
            auto* bytes = static_cast<unsigned char*>(run.at);
            size_t units = run.bytes / 4;
            for (size_t k = 0; k < units; k += 2) {
                uint64_t value = next(headers[g], pair++);
                std::memcpy(bytes + 4 * k, &value, units - k >= 2 ? 8 : 4);
            }
        });
}

}  // namespace panelhost
