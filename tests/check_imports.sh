#!/usr/bin/env bash
# Checks that the gauge file loads on Windows 98 and every later Windows:
# every function it imports is one that Windows 98's KERNEL32.dll or
# msvcrt.dll exports. A function not in the list below fails the check; add
# one only after making sure Windows 98 has it, with a note on who uses it.
#   check_imports.sh OBJDUMP GAUGE_FILE
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: check_imports.sh OBJDUMP GAUGE_FILE" >&2
  exit 2
fi
objdump=$1 gau=$2

# DLL!function   what uses it
allowed=$(sed -e 's/[[:space:]]*#.*//' -e '/^$/d' <<'LIST'
kernel32!LoadLibraryA             # the chime: FSSound.dll is bound on first use
kernel32!GetProcAddress           # the chime: its two operations, by ordinal
kernel32!FreeLibrary              # run-time: lets go of a C++ support library it took itself (never FSSound.dll)
kernel32!GetModuleHandleA         # run-time: finds its own module
kernel32!GetModuleHandleW         # run-time: looks for a C++ support library; on Windows 98 a stub that finds none
kernel32!GetLastError             # run-time: thread-local data
kernel32!TlsGetValue              # run-time: thread-local data
kernel32!Sleep                    # run-time: waits on its start-up lock
kernel32!InitializeCriticalSection  # run-time: its locks
kernel32!EnterCriticalSection     # run-time: its locks
kernel32!LeaveCriticalSection     # run-time: its locks
kernel32!DeleteCriticalSection    # run-time: its locks
kernel32!VirtualQuery             # run-time: relocations of data it imports
kernel32!VirtualProtect           # run-time: relocations of data it imports
kernel32!IsDBCSLeadByteEx         # run-time: multibyte text conversion
kernel32!MultiByteToWideChar      # run-time: multibyte text conversion
kernel32!WideCharToMultiByte      # run-time: multibyte text conversion
msvcrt!_initterm                  # run-time: static initialisers
msvcrt!_amsg_exit                 # run-time: start-up failure
msvcrt!_lock                      # run-time: locks of the exit-routine list
msvcrt!_unlock                    # run-time: locks of the exit-routine list
msvcrt!malloc                     # run-time: its own tables (the module allocates nothing)
msvcrt!calloc                     # run-time: its own tables
msvcrt!realloc                    # run-time: its own tables
msvcrt!free                       # run-time: its own tables
msvcrt!abort                      # run-time: a fault it cannot go on from
msvcrt!_errno                     # run-time: error numbers
msvcrt!strerror                   # run-time: error texts
msvcrt!_iob                       # run-time: its error stream
msvcrt!fputc                      # run-time: writes to its error stream
msvcrt!fwrite                     # run-time: writes to its error stream
msvcrt!vfprintf                   # run-time: writes to its error stream
msvcrt!memcpy                     # copies of records
msvcrt!memset                     # zeroed records
msvcrt!strlen                     # run-time: text lengths
msvcrt!strchr                     # run-time: text searches
msvcrt!strncmp                    # run-time: text comparison
msvcrt!wcslen                     # run-time: wide text lengths
msvcrt!atoi                       # run-time: number texts
msvcrt!__mb_cur_max               # run-time: multibyte text conversion
msvcrt!localeconv                 # run-time: number texts
msvcrt!setlocale                  # run-time: number texts
LIST
)
allowed=$(cut -d' ' -f1 <<<"$allowed" | tr 'A-Z' 'a-z' | sort -u)

# Imports as dll!function, from the import tables' member lists.
imports=$("$objdump" -p "$gau" | awk '
  /^[[:space:]]*DLL Name:/ { dll = tolower($3); sub(/\.dll$/, "", dll); next }
  dll != "" && /^[[:space:]]*[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_]/ { print dll "!" tolower($3) }
  /^$/ { dll = "" }' | sort -u)
[ -n "$imports" ] || { echo "FAIL: no imported functions found in $gau" >&2; exit 1; }

missing=$(comm -23 <(echo "$imports") <(echo "$allowed"))
if [ -n "$missing" ]; then
  echo "FAIL: $gau imports functions not known to be on Windows 98:" >&2
  sed 's/^/  /' <<<"$missing" >&2
  exit 1
fi
echo "$gau: $(wc -l <<<"$imports") imported functions, all on Windows 98"
