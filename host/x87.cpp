#include "host/x87.h"

#include <cstdio>

namespace panelhost {

#if defined(__i386__) || defined(__x86_64__)
uint16_t x87_control() {
    uint16_t control;
    __asm__ __volatile__("fnstcw %0" : "=m"(control));
    return control;
}

uint16_t x87_status() {
    uint16_t status;
    __asm__ __volatile__("fnstsw %0" : "=m"(status));
    return status;
}

void x87_set(uint16_t control) {
    __asm__ __volatile__("fnclex\n\tfldcw %0" : : "m"(control));
}
#else
uint16_t x87_control() { return X87_DEFAULT; }
uint16_t x87_status() { return 0; }
void x87_set(uint16_t) {}
#endif

std::string x87_left_behind(uint16_t host_control) {
    char text[160];
    uint16_t control = x87_control();
    if (control != host_control) {
        std::snprintf(text, sizeof text, "x87 control word 0x%04X instead of the host's 0x%04X", control,
                      host_control);
        return text;
    }
    // A flag the host's masks leave unmasked traps at the host's next x87
    // instruction.
    uint16_t pending = x87_status() & X87_EXCEPTION_FLAGS & ~host_control;
    if (pending) {
        std::snprintf(text, sizeof text, "x87 exception flags 0x%02X pending, unmasked by the host's 0x%04X",
                      pending, host_control);
        return text;
    }
    return "";
}

}  // namespace panelhost
