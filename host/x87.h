// The x87 state a host may leave in its process, for checking that the
// module's entry points neither depend on it nor change it: the engine's
// graphics layer runs at 24-bit precision, other code rounds toward zero or
// unmasks exceptions. On processors without an x87 unit (WebAssembly) these
// do nothing and read as the default state.
#pragma once

#include <cstdint>
#include <string>

namespace panelhost {

// Control words: precision in bits 8-9, rounding in bits 10-11, exception
// masks in bits 0-5.
enum : uint16_t {
    X87_DEFAULT = 0x027F,            // 53-bit, round to nearest, all masked
    X87_SINGLE = 0x007F,             // 24-bit, round to nearest, all masked
    X87_SINGLE_CHOP = 0x0C7F,        // 24-bit, toward zero, all masked
    X87_SINGLE_UNMASKED = 0x0072,    // 24-bit; invalid, zero divide, overflow unmasked
    X87_EXCEPTION_FLAGS = 0x003F,
};

uint16_t x87_control();
uint16_t x87_status();
// Clears the exception flags and loads `control`.
void x87_set(uint16_t control);

// What a call into the module left behind, against the control word the
// host had set: "" when the call gave the state back, otherwise what it
// changed, e.g. "control word 0x027F instead of the host's 0x007F".
std::string x87_left_behind(uint16_t host_control);

}  // namespace panelhost
