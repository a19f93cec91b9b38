#!/usr/bin/env bash
# Installs what the project needs on a Debian machine, as root: compilers,
# the MinGW-w64 cross compiler, Wine with its 32-bit part, the libraries and
# fonts. Only what is missing is installed; when everything is there it says
# nothing. Where the kernel cannot run 32-bit programs itself, 32-bit Wine
# runs through the user-mode emulator, registered for 32-bit x86 programs.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  g++-mingw-w64-i686
  wine wine32:i386
  doctest-dev libpng-dev libfreetype-dev fonts-dejavu-core fonts-dseg
  clang libclang-rt-14-dev
  libcpp-httplib-dev nlohmann-json3-dev
  chromium chromium-driver python3-selenium
  python3
  emscripten nodejs
)

say() { echo "install-deps: $*" >&2; }
as_root() {
  if [ "$(id -u)" -ne 0 ]; then
    say "must run as root to $1"
    exit 1
  fi
}
# A mirror caught mid-sync fails one index now and then; what the other
# indexes hold is still enough to install from, so a failed update is retried
# and then reported rather than ending the run.
update_indexes() {
  local attempt
  for attempt in 1 2 3; do
    apt-get update -qq && return 0
    sleep 5
  done
  say "apt-get update reported errors three times; installing from the indexes it could read"
}
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do installed "$p" || missing+=("$p"); done

if [ ${#missing[@]} -gt 0 ]; then
  as_root "install ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture (for wine32)"
    dpkg --add-architecture i386
  fi
  say "installing ${missing[*]}"
  update_indexes
  if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    # With one architecture's security index unread, the two architectures'
    # candidates of a shared library differ and wine32 cannot be resolved;
    # the release's own versions agree on both.
    release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$release" ] || exit 1
    say "retrying with the $release release's own versions"
    apt-get install -y -qq --no-install-recommends -t "$release" "${missing[@]}" >/dev/null
  fi
fi

# 32-bit Wine needs a kernel that runs 32-bit programs, or the emulator.
probe=/usr/lib/wine/wineserver32
if [ -x "$probe" ] && ! "$probe" --version >/dev/null 2>&1; then
  if ! installed qemu-user-static; then
    as_root "install qemu-user-static"
    say "this kernel does not run 32-bit programs: installing the user-mode emulator"
    update_indexes
    apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  if [ ! -e "$binfmt/register" ]; then
    as_root "mount binfmt_misc"
    mount -t binfmt_misc binfmt_misc "$binfmt"
  fi
  if [ ! -e "$binfmt/qemu-i386" ]; then
    as_root "register the emulator for 32-bit programs"
    say "registering qemu-i386 for 32-bit x86 programs"
    # ELF, 32-bit, little-endian, executable or shared object, machine i386.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >"$binfmt/register"
  fi
  if ! "$probe" --version >/dev/null 2>&1; then
    say "32-bit programs still do not run; the Windows tests cannot run under Wine"
    exit 1
  fi
fi
