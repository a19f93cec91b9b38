// A library the program carries inside itself (Windows): the program
// exports the library's operations from its own file, and a module's own
// loads of the library by name are answered with the program, so that no
// file of that name is looked for anywhere (not beside the program, the
// module or the working folder, nor on the search path).
//
// The answer is given in the module's own import slots of the loader's load
// functions (LoadLibraryA, LoadLibraryW, LoadLibraryExA, LoadLibraryExW):
// only the module's calls are answered, and loads of other names go on to
// the loader unchanged. The module's entry routine runs before its slots are
// answered, so a load it made there would reach the loader.
#pragma once

#include <string>

namespace panelhost {

// From now on, every module loaded from a file has its loads of
// `file_name` ("FSSound.dll"; any case, with or without a folder, ".dll"
// implied) answered with the program's own handle. Natively it has no
// effect: there the host installs a library first, which a module's own
// load by name finds.
void answer_loads_with_program(const std::string& file_name);

// Answers the loads of `module`, just loaded from a file, as chosen above;
// throws HostError when one of its import slots cannot be written.
void answer_module_loads(void* module);

}  // namespace panelhost
