#!/usr/bin/env bash
# Installs what the builds, tests and demos need on Debian 12. Safe to run again:
# it installs only what is missing. Runs as root, or through sudo otherwise.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev googletest
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386
  xvfb imagemagick x11-apps x11-utils
  xxd python3 util-linux procps time
  slapd ldap-utils
  libldap-dev
)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: adding the i386 architecture (for 32-bit Wine)"
  $SUDO dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# The directory server is only ever run privately by scripts/directory-server.sh:
# the package must neither configure nor start the system's own server.
hold_services() {
  echo "slapd slapd/no_configuration boolean true" | $SUDO debconf-set-selections
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee /usr/sbin/policy-rc.d >/dev/null
    $SUDO chmod 755 /usr/sbin/policy-rc.d
    trap '$SUDO rm -f /usr/sbin/policy-rc.d' EXIT
  fi
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  hold_services
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
elif [ "${need_update:-0}" = 1 ]; then
  $SUDO apt-get update -qq
fi

# Wine's loader is a 32-bit program. A kernel built or booted without 32-bit
# emulation (ia32_emulation=off) refuses it with "Exec format error"; there the
# loader and every 32-bit program it starts run under QEMU's user-mode emulator,
# registered with the kernel's binfmt_misc. QEMU before 8 scans its whole 4 GiB
# guest space on every mapping, which makes each Wine process take a minute, so
# the emulator comes from bookworm-backports (pinned there at priority 100:
# nothing else is taken from it).
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  qemu_major=$(qemu-i386-static --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
  if [ "${qemu_major:-0}" -lt 8 ]; then
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      echo "setup: adding bookworm-backports (for a QEMU that runs 32-bit Wine quickly)"
      echo 'deb http://deb.debian.org/debian bookworm-backports main' |
        $SUDO tee /etc/apt/sources.list.d/bookworm-backports.list >/dev/null
    fi
    echo "setup: installing qemu-user-static from bookworm-backports"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq -t bookworm-backports qemu-user-static >/dev/null
  fi
  binfmt=/proc/sys/fs/binfmt_misc
  if [ ! -e "$binfmt/register" ]; then
    $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" || true
  fi
  # Re-registered whenever the emulator is not the one registered: the "F" flag
  # opens the file at registration, so an upgraded emulator needs a new entry.
  if [ -e "$binfmt/qemu-i386" ] && ! grep -qx 'interpreter /usr/bin/qemu-i386-static' "$binfmt/qemu-i386"; then
    echo -1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
  fi
  if [ -e "$binfmt/register" ] && [ ! -e "$binfmt/qemu-i386" ]; then
    echo "setup: running 32-bit programs under qemu-i386-static (this kernel refuses them)"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $SUDO tee "$binfmt/register" >/dev/null
  fi
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "setup: 32-bit programs still cannot run here; the Win32 tests will not run" >&2
  fi
fi
