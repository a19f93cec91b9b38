// What every doctest suite of the project shares: its one main, which reads
// the options the suite declares and hands the rest of the command line to
// doctest, and the small checks every suite uses.
#pragma once

#include <doctest/doctest.h>

#include <initializer_list>
#include <string>

namespace test {

// An option of a suite's program: `FLAG VALUE` sets `*value`.
struct Option {
    const char* flag;    // "--module"
    const char* what;    // "PATH", for the usage line
    std::string* value;  // where the value goes
    bool required = false;
};

// At namespace scope in one of a suite's files: the options its program
// takes. A required one missing refuses the run, exit status 2, with a usage
// line naming them all.
struct Options {
    Options(std::initializer_list<Option> options);
};

// At namespace scope: `run` is called once, after the options are read and
// before the first case (a suite that reads facts from the module under test,
// say). An exception from it refuses the run, exit status 2, naming it.
struct AtStart {
    explicit AtStart(void (*run)());
};

// True when `part` stands anywhere in `text`.
inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace test
