// The host's PANELS table: the nine services the module calls, the traps in
// every other word, and the guard a trap returns to.
//
// Why a trap does not simply return: on the 32-bit target every PANELS
// service removes its own arguments from the stack when it returns, and a
// trap cannot know how many the module pushed (the word it sits in could be
// any of the engine's services, with any arguments). Returning with a wrong
// count would leave the module's stack pointer off and wreck its frame. So a
// trap records the call and then jumps back to the guard the host set just
// before it called into the module (Host::guarded), which restores the stack
// pointer and registers saved there: the module's call is abandoned whole and
// the caller of the module sees it end as failed. Nothing needs unwinding on
// the way: the module is plain records and flat functions, and the host's
// code between the guard and the module holds no object with a destructor.
// Natively the caller removes arguments and a trap could return, but it ends
// the call the same way, so both builds behave alike.
//
// A trap outside any guard records the call; natively it then returns 0, on
// the 32-bit target it ends the program with a line saying why, since it
// cannot return.
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "host/host.h"
#include "host/x87.h"

namespace panelhost {

namespace {

#if defined(_WIN32) && defined(__i386__)
constexpr bool TRAP_CAN_RETURN = false;
#else
constexpr bool TRAP_CAN_RETURN = true;
#endif

}  // namespace

struct PanelsImpl {
    static Host& host() {
        if (!Host::current_) throw HostError("the module called a PANELS operation with no host loaded");
        return *Host::current_;
    }

    static int32_t list_call(uint32_t word, ELEMENT_HEADER* root, uint64_t argument) {
        host().element_list_calls_.push_back({word, root, argument});
        return int32_t(0x100 + word);  // distinct per operation, so forwarding can be checked
    }
    static int32_t MODULE_CALL query(ELEMENT_HEADER* root) {
        return list_call(PANELS_WORD_ELEMENT_LIST_QUERY, root, 0);
    }
    static int32_t MODULE_CALL install(ELEMENT_HEADER* root, void* handle) {
        return list_call(PANELS_WORD_ELEMENT_LIST_INSTALL, root, reinterpret_cast<uintptr_t>(handle));
    }
    static int32_t MODULE_CALL initialize(ELEMENT_HEADER* root) {
        return list_call(PANELS_WORD_ELEMENT_LIST_INITIALIZE, root, 0);
    }
    static int32_t MODULE_CALL update(ELEMENT_HEADER* root) {
        return list_call(PANELS_WORD_ELEMENT_LIST_UPDATE, root, 0);
    }
    static int32_t MODULE_CALL generate(ELEMENT_HEADER* root, uint32_t phase) {
        return list_call(PANELS_WORD_ELEMENT_LIST_GENERATE, root, phase);
    }
    static int32_t MODULE_CALL plot(ELEMENT_HEADER* root) { return list_call(PANELS_WORD_ELEMENT_LIST_PLOT, root, 0); }
    static int32_t MODULE_CALL kill(ELEMENT_HEADER* root) { return list_call(PANELS_WORD_ELEMENT_LIST_KILL, root, 0); }

    static int32_t MODULE_CALL trigger_key_event(uint32_t event, int32_t value) {
        host().send(event, value, false);
        return 0;
    }

    static int32_t MODULE_CALL lookup_var(MODULE_VAR* var) {
        Host& h = host();
        var->value = h.token(var->id);
        if (h.log_lookups_) h.lookups_.push_back({var, var->id, var->value});
        return 0;
    }

    // The trap of word N. Declared without arguments: it never reads them,
    // and on the 32-bit target it never returns to the module.
    template <size_t N>
    static int32_t MODULE_CALL trap() {
        return trapped(uint32_t(N));
    }

    static int32_t trapped(uint32_t word) {
        Host* h = Host::current_;
        Host::Guard* guard = h ? h->guard_ : nullptr;
        if (h) h->record_trap(word, guard);  // its strings are gone before the jump
        if (guard) std::longjmp(guard->jump, 1);
        if (!h || !TRAP_CAN_RETURN) {
            std::fprintf(stderr, "panel host: the module called PANELS word %u (%s) %s\n", unsigned(word),
                         panels_word_name(word),
                         !h ? "with no host loaded"
                            : "outside any guarded call; a trap cannot return to the module on this target, "
                              "so the program ends here");
            std::fflush(stderr);
            if (!TRAP_CAN_RETURN) std::_Exit(3);
        }
        return 0;
    }
};

namespace {

using Trap = int32_t(MODULE_CALL*)();

template <size_t... N>
constexpr std::array<Trap, sizeof...(N)> make_traps(std::index_sequence<N...>) {
    return {&PanelsImpl::trap<N>...};
}
constexpr std::array<Trap, PANELS_TABLE_WORDS> TRAPS = make_traps(std::make_index_sequence<PANELS_TABLE_WORDS>());

PanelsTable make_table() {
    PanelsTable table;
    for (size_t word = 0; word < PANELS_TABLE_WORDS; ++word) set_panels_word(table, word, trap_word(word));
    PANELS& s = table.services;
    s.element_list_query = PanelsImpl::query;
    s.element_list_install = PanelsImpl::install;
    s.element_list_initialize = PanelsImpl::initialize;
    s.element_list_update = PanelsImpl::update;
    s.element_list_generate = PanelsImpl::generate;
    s.element_list_plot = PanelsImpl::plot;
    s.element_list_kill = PanelsImpl::kill;
    s.trigger_key_event = PanelsImpl::trigger_key_event;
    s.lookup_var = PanelsImpl::lookup_var;
    return table;
}

}  // namespace

PanelsTable& Host::table() {
    static PanelsTable table = make_table();
    return table;
}

bool Host::run_guarded(const CallSite& site, void (*call)(void*), void* context) {
    if (scribble_working_words_) scribble_working_words();
    Guard guard;
    guard.site = &site;
    guard.outer = guard_;
    guard_ = &guard;
    // The host's control word is the module's world for this call only; the
    // host's own arithmetic keeps the process's.
    const uint16_t own_x87 = x87_control_ ? x87_control() : 0;
    if (setjmp(guard.jump) == 0) {
        if (x87_control_) x87_set(x87_control_);
        try {
            call(context);
        } catch (...) {  // a host service threw through the module: this guard is gone
            guard_ = guard.outer;
            throw;
        }
        if (x87_control_) {
            std::string left = x87_left_behind(x87_control_);
            if (!left.empty()) x87_faults_.push_back(site.text() + ": " + left);
            x87_set(own_x87);
        }
        guard_ = guard.outer;
        return true;
    }
    if (x87_control_) x87_set(own_x87);
    guard_ = guard.outer;  // a trap ended the call
    return false;
}

void Host::record_trap(uint32_t word, const Guard* guard) {
    traps_.push_back({word, guard ? guard->site->text() : std::string()});
}

std::vector<TrapCall> Host::take_traps() {
    std::vector<TrapCall> taken;
    taken.swap(traps_);
    return taken;
}

std::string CallSite::text() const {
    std::string out;
    if (gauge) out.append("gauge \"").append(gauge).append("\": ");
    out.append(what ? what : "a call into the module");
    if (number != NO_NUMBER) out.append(" ").append(std::to_string(number));
    return out;
}

PANELS_WORD panels_word(const PanelsTable& table, size_t index) {
    PANELS_WORD word = 0;
    if (index < PANELS_TABLE_WORDS)
        std::memcpy(&word, reinterpret_cast<const char*>(&table) + index * sizeof word, sizeof word);
    return word;
}

void set_panels_word(PanelsTable& table, size_t index, PANELS_WORD value) {
    if (index < PANELS_TABLE_WORDS)
        std::memcpy(reinterpret_cast<char*>(&table) + index * sizeof value, &value, sizeof value);
}

PANELS_WORD trap_word(size_t index) {
    return index < TRAPS.size() ? reinterpret_cast<PANELS_WORD>(TRAPS[index]) : 0;
}

bool is_service_word(size_t index) {
    switch (index) {
    case PANELS_WORD_ELEMENT_LIST_QUERY:
    case PANELS_WORD_ELEMENT_LIST_INSTALL:
    case PANELS_WORD_ELEMENT_LIST_INITIALIZE:
    case PANELS_WORD_ELEMENT_LIST_UPDATE:
    case PANELS_WORD_ELEMENT_LIST_GENERATE:
    case PANELS_WORD_ELEMENT_LIST_PLOT:
    case PANELS_WORD_ELEMENT_LIST_KILL:
    case PANELS_WORD_TRIGGER_KEY_EVENT:
    case PANELS_WORD_LOOKUP_VAR:
        return true;
    default:
        return false;
    }
}

const char* panels_word_name(size_t index) {
    switch (index) {
    case PANELS_WORD_ELEMENT_LIST_QUERY: return "element_list_query";
    case PANELS_WORD_ELEMENT_LIST_INSTALL: return "element_list_install";
    case PANELS_WORD_ELEMENT_LIST_INITIALIZE: return "element_list_initialize";
    case PANELS_WORD_ELEMENT_LIST_UPDATE: return "element_list_update";
    case PANELS_WORD_ELEMENT_LIST_GENERATE: return "element_list_generate";
    case PANELS_WORD_ELEMENT_LIST_PLOT: return "element_list_plot";
    case PANELS_WORD_ELEMENT_LIST_ERASE: return "element_list_erase";
    case PANELS_WORD_ELEMENT_LIST_KILL: return "element_list_kill";
    case PANELS_WORD_TRIGGER_KEY_EVENT: return "trigger_key_event";
    case PANELS_WORD_LOOKUP_VAR: return "lookup_var";
    case 35: return "the panel-window toggle";
    default: break;
    }
    if (index < 6) return "the engine's header";
    if (index < 24) return "another engine service";
    if (index < 35) return "a mouse-list service";
    if (index < 40) return "variable registration";
    return "a further engine service";
}

std::string TrapCall::text() const {
    std::string out = "the module called PANELS word " + std::to_string(word) + " (" + panels_word_name(word) + ")";
    return out + (during.empty() ? " outside any guarded call" : " during " + during);
}

}  // namespace panelhost
