// The engine's words in a gauge's records: every word that is 0 in the
// module's data and means nothing to the module. The engine keeps its working
// data there and may write them at any time between calls into the module;
// the module never reads them.
//
// They are, by record (word numbers on the 32-bit target, from 0):
//   gauge header: 10, 12-19, and 22-63 past the service callback;
//   every element header: 4-7, 9, 13-14 (the run-time words);
//   the face: 15-23;
//   an icon: its source variable's 16-17 and 20-21, then 22-27, 29-32, 34;
//   a string: each of its three source variables' two spare words and spare
//     double, then 36-45, 47, 50-51, 55-61 (inside the text style), 74-77,
//     79-80.
// Not among them: a source variable's value and a string's text-buffer
// pointer, which the host writes and the module reads; token numbers, even
// where they are 0; mouse lists and failure lists, which are the module's
// definitions as they stand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "module/records.h"

namespace panelhost {

// One run of the engine's words in one record.
struct WorkingRun {
    const GAUGEHDR* gauge;   // the gauge the record belongs to
    int element;             // -1 the gauge header, 0 the face, N child N of the face
    uint32_t word;           // its first word in the record, on the 32-bit target
    uint32_t words;          // its length in words there
    void* at;                // where it lies here
    size_t bytes;            // its length here (a pointer-sized word is wider natively)
};

using WorkingRunVisit = void (*)(const WorkingRun& run, void* context);
// Calls `visit` for every run of the gauge's header and of its element
// records (the face and the children of its list, at most 64).
void visit_working_runs(GAUGEHDR* header, WorkingRunVisit visit, void* context);

template <class Visit>
void for_each_working_run(GAUGEHDR* header, Visit&& visit) {
    using Plain = std::remove_reference_t<Visit>;
    visit_working_runs(
        header, [](const WorkingRun& run, void* c) { (*static_cast<Plain*>(c))(run); },
        const_cast<void*>(static_cast<const void*>(&visit)));
}

// Writes what the engine's working data may look like into those words:
// addresses of live records, doubles, all-ones words and counter-derived
// bit patterns, never a 0 word, and every word different on every write.
class WorkingWordsWriter {
public:
    // One write: the gauges of `headers`, up to `count` or the first null.
    void write(GAUGEHDR* const* headers, size_t count);

private:
    uint64_t next(const void* near, uint64_t pair);
    uint64_t writes_ = 0;
};

}  // namespace panelhost
