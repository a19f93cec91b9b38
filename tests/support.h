// What every test file shares: where the module under test is, and a fresh
// host for each case (a new load of the module, so its state starts at its
// initial values).
#pragma once

#include "tests/main/main.h"

#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace test {

// Set by the test program's arguments: --module PATH [--sound PATH] [--bitmaps DIR].
extern std::string module_path;
extern std::string sound_path;
extern std::string bitmap_folder;

inline panelhost::HostOptions options(bool sound = true) {
    panelhost::HostOptions o;
    o.sound = sound;
    o.sound_library = sound_path;
    o.resource_folder = bitmap_folder;
    return o;
}

// Unloads a test's host. A PANELS trap call the test did not take itself
// fails the test: the module reached a word that is not one of its services.
struct Unload {
    void operator()(panelhost::Host* host) const {
        for (const panelhost::TrapCall& trap : host->take_traps()) FAIL_CHECK(trap.text());
        delete host;
    }
};
using HostPtr = std::unique_ptr<panelhost::Host, Unload>;

// Places every gauge of the module's gauge table, in the table's order (the
// spine's tests check the names and their order).
inline std::vector<panelhost::Gauge*> place_all(panelhost::Host& host) {
    std::vector<panelhost::Gauge*> placed;
    for (const GAUGEHDR* header : host.gauge_table()) placed.push_back(&host.place(header->name));
    return placed;
}

// A host with the module freshly loaded and started.
inline HostPtr load(bool sound = true) {
    return HostPtr(new panelhost::Host(module_path, options(sound)));
}

}  // namespace test
