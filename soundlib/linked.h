// The stand-in sound library linked into the Windows program that runs the
// module (the panelbench.exe the release carries), so that the program
// needs no file of the library's name anywhere.
#pragma once

// Registers the stand-in under the library's file name, FSSound.dll, so
// that the host installs it from the program, and has every module loaded
// after this reach it by its own load of that name: the module's load is
// answered with the program, which exports the two operations at the
// library's ordinals (linked.def).
void standin_link_into_program();
