// A walk through a command's arguments, in order, that takes an option's
// value from the argument after it: the one loop the bench's commands read
// their command lines with.
//
//   for (bench::ArgumentWalk walk(args); walk.next();) {
//       const std::string& arg = walk.arg();
//       if (arg == "--out") out = walk.value();
//       ...
//   }
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// An option given last, with no value after it: "option --out needs a value".
struct MissingValue : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ArgumentWalk {
public:
    explicit ArgumentWalk(const std::vector<std::string>& args) : args_(args) {}
    // Moves to the next argument; false after the last.
    bool next() { return ++at_ < args_.size(); }
    const std::string& arg() const { return args_[at_]; }
    // The current option's value, the argument after it, which the walk
    // then passes over; MissingValue when there is none.
    const std::string& value() {
        if (at_ + 1 >= args_.size()) throw MissingValue("option " + arg() + " needs a value");
        return args_[++at_];
    }

private:
    const std::vector<std::string>& args_;
    size_t at_ = size_t(-1);
};

}  // namespace bench
