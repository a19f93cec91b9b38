// The project's own host: loads the gauge module the way the panel engine
// does, keeps simulated token values, logs every key event and lookup, places
// gauges by name, runs panel cycles and dispatches clicks.
//
// One Host at a time per process: the module has one ImportTable, and the
// PANELS operations it calls reach the current Host.
//
// The PANELS table is the engine's full row of words (host/panels.h): a call
// of any word but the nine services is recorded as a trap call and ends the
// call into the module that made it. Every call the host makes into the
// module is guarded that way; whoever drives the host asks for traps() after
// each action and treats any as a failure.
#pragma once

#include <csetjmp>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/bitmap.h"
#include "host/error.h"
#include "host/library.h"
#include "host/panels.h"
#include "host/sound.h"
#include "host/working_words.h"
#include "module/records.h"

namespace panelhost {

class Host;

// A key event as the host received it.
struct KeyEvent {
    uint32_t event;
    int32_t value;
    bool from_area;  // sent by the host itself for a mouse area's key event
};

// A lookup_var call: which record, which token, what value it was given.
struct Lookup {
    const MODULE_VAR* record;
    uint32_t token;
    double value;
};

// A call of one of the seven PANELS element-list operations.
struct ElementListCall {
    uint32_t word;           // its PANELS word: 24 query ... 29 plot, 31 kill
    ELEMENT_HEADER* root;
    uint64_t argument;       // the resource handle or the phase; 0 otherwise
};

// A gauge placed on the host's panel.
class Gauge {
public:
    Gauge(Host& host, GAUGEHDR* header);

    const std::string& name() const { return name_; }
    GAUGEHDR* header() const { return header_; }
    ELEMENT_STATIC_IMAGE* face() const { return face_; }
    const std::vector<ELEMENT_HEADER*>& children() const { return children_; }
    // The child areas of the mouse list, in list order.
    const std::vector<MOUSERECT*>& areas() const { return areas_; }
    const Bitmap& bitmap(int32_t id) const;
    const std::map<int32_t, Bitmap>& bitmaps() const { return bitmaps_; }

    // Calls the gauge's service callback, if it has one.
    void service(int32_t id, uint32_t extra = 0);
    // Service 6, then each child of the face in list order: refresh its
    // source variable, call its callback.
    void update();
    // Service 10.
    void draw();
    // One panel cycle: update, then draw.
    void cycle() { update(); draw(); }

    // A left click at a face point. The first child area whose box holds the
    // point acts: its key event is sent with value 0, or its handler called
    // with the point relative to the box. Returns the area's index in areas(),
    // or -1 when the point is in no area.
    int click(int x, int y);
    // Index of the area a point falls in, or -1; nothing is sent or called.
    int area_at(int x, int y) const;

    // Results of the last update, by child index.
    double answer(size_t child) const { return answers_.at(child); }
    bool lit(size_t child) const { return answers_.at(child) == 0.0; }
    const char* text(size_t child) const { return texts_.at(child).data(); }
    // The 32-byte buffer handed to a string child: the text and what lies
    // behind its NUL, for checks that nothing was written past the buffer.
    const std::vector<char>& buffer(size_t child) const { return texts_.at(child); }
    // The index of the child whose element has bitmap `resource_id` (or -1).
    int child_by_bitmap(int32_t resource_id) const;

private:
    Host& host_;
    GAUGEHDR* header_;
    std::string name_;
    ELEMENT_STATIC_IMAGE* face_;
    std::vector<ELEMENT_HEADER*> children_;
    std::vector<MOUSERECT*> areas_;
    std::map<int32_t, Bitmap> bitmaps_;
    std::vector<double> answers_;
    std::vector<std::vector<char>> texts_;
};

// What a guarded call into the module is, for the text of a trap call:
// "gauge \"autopilot\": handler of mouse area 3". Built only when a trap
// fires, so that guarding costs a panel cycle no allocation.
struct CallSite {
    const char* what;
    const char* gauge = nullptr;  // the gauge's name, if the call belongs to one
    int64_t number = NO_NUMBER;   // a child or area number, a service id
    static constexpr int64_t NO_NUMBER = INT64_MIN;

    std::string text() const;
};

struct HostOptions {
    // Folder of the native module's bitmaps; empty: "<module folder>/bitmaps".
    std::string resource_folder;
    // The stand-in sound library to install before the module; empty: the
    // platform's file name beside the module ("FSSound.dll" on Windows is
    // found the usual way). With `sound` false none is installed.
    std::string sound_library;
    bool sound = true;
    // Log every lookup_var call (lookups()).
    bool log_lookups = true;
    // An x87 control word (host/x87.h) loaded, with the exception flags
    // cleared, before every call into the module; after each call the
    // state must be as it was, or the call is told in x87_faults(). 0: the
    // process's x87 state is left alone.
    uint16_t x87_control = 0;
    // Before every call into the module, write the engine's working data
    // into the engine's words of every gauge's records (host/working_words.h),
    // as the engine may: different values each time, none of them 0. The
    // module never reads those words, so nothing it does may change.
    bool scribble_working_words = false;
};

class Host {
public:
    // Loads the module, writes the PANELS address, reads Linkage and calls
    // the start routine. Throws HostError naming what is missing.
    explicit Host(const std::string& module_path, HostOptions options = {});
    // Calls the stop routine and unloads the module.
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Places a gauge by name: finds its header in the gauge table, loads its
    // bitmaps, calls its service callback with id 2. Throws HostError for a
    // name the module does not have or a missing bitmap.
    Gauge& place(const std::string& name);
    const std::vector<std::unique_ptr<Gauge>>& gauges() const { return placed_; }
    // The headers of the gauge table, up to its null.
    std::vector<GAUGEHDR*> gauge_table() const;
    GAUGEHDR* find_gauge(const std::string& name) const;

    // Simulated token values: 0 until set.
    void set_token(uint32_t token, double value) { tokens_[token] = value; }
    double token(uint32_t token) const;

    const std::vector<KeyEvent>& events() const { return events_; }
    const std::vector<Lookup>& lookups() const { return lookups_; }
    const std::vector<ElementListCall>& element_list_calls() const { return element_list_calls_; }
    // Clears the key-event, lookup and element-list logs; trap calls stay
    // until taken.
    void clear_logs();

    // Runs `call`, which calls into the module, so that a trap can end it:
    // false when a trap did (the trap call is in traps()), true otherwise.
    // Guards nest; a trap ends the innermost. `call` must hold no object
    // with a destructor while the module runs: a trap returns to the guard
    // without unwinding (see host/panels.cpp for why).
    template <class Call>
    bool guarded(const CallSite& site, Call&& call) {
        using Plain = std::remove_reference_t<Call>;
        return run_guarded(site, [](void* c) { (*static_cast<Plain*>(c))(); },
                           const_cast<void*>(static_cast<const void*>(&call)));
    }
    template <class Call>
    bool guarded(const char* what, Call&& call) {
        return guarded(CallSite{what}, std::forward<Call>(call));
    }
    // Calls into the module that left the x87 state otherwise than the
    // host had set it (HostOptions::x87_control), e.g. "callback of child 3
    // of gauge \"autopilot\": x87 control word 0x027F instead of ...".
    const std::vector<std::string>& x87_faults() const { return x87_faults_; }
    // Trap calls recorded and not yet taken, oldest first.
    const std::vector<TrapCall>& traps() const { return traps_; }
    // Hands over the trap calls recorded so far and forgets them.
    std::vector<TrapCall> take_traps();
    // Called for every key event after it is logged (the bench's aircraft
    // applies events to the token values here).
    std::function<void(const KeyEvent&)> on_event;

    void start();  // the module's start routine
    void stop();   // the module's stop routine

    bool scribbles_working_words() const { return scribble_working_words_; }

    IMPORT_TABLE* import_table() const { return import_table_; }
    LINKAGE* linkage() const { return linkage_; }
    const Library& module() const { return module_; }
    const std::string& resource_folder() const { return resource_folder_; }
    SoundLibrary& sound() { return sound_; }

    // The host's PANELS table: the one written into ImportTable.
    static PanelsTable& table();
    static PANELS* panels() { return &table().services; }

private:
    friend class Gauge;
    friend struct PanelsImpl;
    struct Guard {
        std::jmp_buf jump;
        const CallSite* site;
        Guard* outer;
    };
    void send(uint32_t event, int32_t value, bool from_area);
    bool run_guarded(const CallSite& site, void (*call)(void*), void* context);
    void record_trap(uint32_t word, const Guard* guard);
    // The working-words mode: every header of the gauge table, placed or not.
    void scribble_working_words();
    // The loaded host, which the PANELS services and traps reach.
    static Host* current_;

    SoundLibrary sound_;
    Library module_;
    IMPORT_TABLE* import_table_ = nullptr;
    LINKAGE* linkage_ = nullptr;
    std::string resource_folder_;
    bool log_lookups_ = true;
    bool scribble_working_words_ = false;
    WorkingWordsWriter working_words_;
    std::map<uint32_t, double> tokens_;
    std::vector<KeyEvent> events_;
    std::vector<Lookup> lookups_;
    std::vector<ElementListCall> element_list_calls_;
    std::vector<TrapCall> traps_;
    uint16_t x87_control_ = 0;
    std::vector<std::string> x87_faults_;
    Guard* guard_ = nullptr;
    std::vector<std::unique_ptr<Gauge>> placed_;
};

}  // namespace panelhost
