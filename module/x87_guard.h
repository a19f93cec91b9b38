// The x87 guard: every routine the host calls goes through it.
//
// On the 32-bit target the module's arithmetic runs on the x87 unit, whose
// precision, rounding and exception masks are set by whoever owns the
// process: the engine's graphics layer leaves 24-bit precision, other code
// may round toward zero or unmask exceptions. The module's doubles must be
// IEEE double precision in every host, so that a speed that divides to
// exactly -100 ft/min is -100 and not -99.99999.
//
// module_entry<F> is F behind the guard, the form the records name:
//   .callback = module_entry<ap_vs_string>,
// On entry it keeps the host's x87 environment (control word, status flags)
// and sets 53-bit precision, round to nearest and every exception masked; on
// return it gives the host's environment back as it was, so no flag the
// module's work raised is left pending for the host's own masks to trap on.
// Natively (x86-64, WebAssembly) the arithmetic is SSE or IEEE by itself and
// module_entry<F> is F.
#pragma once

#include <cstdint>
#include <type_traits>

#include "module/host_interface.h"

#if defined(__i386__)

// The x87 environment as fnstenv stores it in 32-bit protected mode.
struct MODULE_X87_ENVIRONMENT {
    uint32_t control;   // low 16 bits: the control word
    uint32_t status;    // low 16 bits: the status word, exception flags in bits 0-5
    uint32_t tag;
    uint32_t instruction_offset;
    uint32_t instruction_selector;
    uint32_t operand_offset;
    uint32_t operand_selector;
};
static_assert(sizeof(MODULE_X87_ENVIRONMENT) == 28);

// 53-bit precision (bits 8-9 = 10), round to nearest (bits 10-11 = 00),
// all six exceptions masked (bits 0-5), bit 6 as the unit keeps it.
constexpr uint16_t MODULE_X87_CONTROL = 0x027F;

inline void module_x87_enter(MODULE_X87_ENVIRONMENT* host) {
    static constexpr uint16_t control = MODULE_X87_CONTROL;
    // fnstenv waits for nothing and raises nothing, whatever the host left
    // pending; it also masks every exception, and fldcw then sets the rest.
    __asm__ __volatile__("fnstenv %0\n\tfldcw %1" : "=m"(*host) : "m"(control));
}

// The calling conventions hand over an empty x87 register stack, so at this
// point (every value of the module's spilled to memory, as the clobbers
// demand) the host's tag word is right too.
inline void module_x87_leave(const MODULE_X87_ENVIRONMENT* host) {
    __asm__ __volatile__("fldenv %0"
                         :
                         : "m"(*host)
                         : "memory", "st", "st(1)", "st(2)", "st(3)", "st(4)", "st(5)", "st(6)", "st(7)");
}

template <auto F, typename R, typename... A>
R MODULE_CALL module_entry_call(A... args) {
    MODULE_X87_ENVIRONMENT host;
    module_x87_enter(&host);
    if constexpr (std::is_void_v<R>) {
        F(args...);
        module_x87_leave(&host);
    } else {
        R result = F(args...);
        module_x87_leave(&host);
        return result;
    }
}

template <auto F, typename R, typename... A>
constexpr auto module_entry_for(R(MODULE_CALL*)(A...)) {
    return &module_entry_call<F, R, A...>;
}

template <auto F>
inline constexpr auto module_entry = module_entry_for<F>(F);

#else

template <auto F>
inline constexpr auto module_entry = F;

#endif
