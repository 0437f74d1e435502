#!/usr/bin/env bash
# Installs the cross toolchain, Wine and the test tools on Debian 12.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

packages=(
  cmake ninja-build clang-format
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
  wine wine32:i386 wine64 wine32-preloader:i386 wine64-preloader
  msitools wixl gcab osslsigncode openssl zip unzip
  xvfb xauth xdotool imagemagick fonts-noto-cjk fonts-wine
  googletest locales qemu-user-static hyperfine jq nsis python3
)

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  missing=("${packages[@]}")
else
  for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
fi

# The registry is sometimes caught in the middle of a sync ("Mirror sync in
# progress?"): the index is read again a few times, and where one index still
# fails the install is tried all the same, since that index may not matter.
update_pause="${BOOTSTRAP_RETRY_PAUSE:-15}"
update_log="$(mktemp)"
trap 'rm -f "$update_log"' EXIT

update_index() {
  local attempt
  for attempt in 1 2 3 4; do
    if $SUDO apt-get update -q 2>&1 | tee "$update_log" >&2 && ! grep -q '^E:' "$update_log"; then
      return 0
    fi
    [ "$attempt" -lt 4 ] && sleep "$update_pause"
  done
  return 1
}

# The index files that the last update could not fetch, a URI a line.
failed_indexes() {
  sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$update_log" | sort -u
}

install_packages() {
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "$@" >&2
}

install_missing() {
  install_packages "${missing[@]}"
}

# Only with consent (SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX=1): each failed index
# file exactly as the registry serves it, which apt could not check against
# the registry's signature, goes where apt keeps that index, compressed as
# served (apt reads it so), and the install is tried again. The next update
# that succeeds replaces it.
install_with_served_indexes() {
  local uri base list partial apt_helper
  [ "${SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX:-}" = 1 ] && [ -n "$(failed_indexes)" ] || return 1
  apt_helper="$(PATH="$PATH:/usr/lib/apt" command -v apt-helper)"
  for uri in $(failed_indexes); do
    base="$uri"
    case "$uri" in
    *.xz | *.gz | *.bz2 | *.lzma | *.lz4 | *.zst) base="${uri%.*}" ;;
    esac
    list="$(apt-get indextargets --no-release-info --format '$(URI) $(FILENAME)' |
      awk -v uri="$base" '$1 == uri { print $2; exit }')"
    if [ -z "$list" ]; then
      echo "bootstrap: $uri is not an index that apt keeps in its lists; left alone" >&2
      continue
    fi
    list="$list${uri#"$base"}"
    # apt's own folder for downloads in flight, which its helper may write to.
    partial="${list%/*}/partial/${list##*/}"
    $SUDO "$apt_helper" download-file "$uri" "$partial" >&2 || return 1
    $SUDO mv "$partial" "$list" || return 1
    echo "bootstrap: with SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX=1, $uri as served, unchecked, is $list" >&2
  done
  install_missing
}

# Wine's 32-bit loader is an i386 Linux program. Some virtual machines run
# 64-bit user code only; there qemu's user-mode emulator runs it instead. It is
# registered before any i386 package is installed, so that their own set-up
# scripts (glib-compile-schemas, gio-querymodules) run too.
binfmt="${BOOTSTRAP_BINFMT:-/proc/sys/fs/binfmt_misc}"

# Whether the kernel runs a 32-bit x86 program: the smallest one there is,
# which only exits with 0 (ELF header, one program header, exit(0) by int 0x80).
runs_i386() {
  local probe status
  [ -n "${BOOTSTRAP_I386_PROBE:-}" ] && { $BOOTSTRAP_I386_PROBE; return; }
  probe="$(mktemp)"
  printf '%b' '\0177ELF\01\01\01\0\0\0\0\0\0\0\0\0\02\0\03\0\01\0\0\0\0124\0200\04\010\064\0\0\0\0\0\0\0\0\0\0\0\064\0\040\0\01\0\0\0\0\0\0\0\01\0\0\0\0\0\0\0\0\0200\04\010\0\0200\04\010\0135\0\0\0\0135\0\0\0\05\0\0\0\0\020\0\0\0270\01\0\0\0\061\0333\0315\0200' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  status=$?
  rm -f "$probe"
  return "$status"
}

register_qemu_i386() {
  [ -e "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
  [ -e "$binfmt/qemu-i386" ] && return 0
  echo "bootstrap: running i386 programs through qemu-i386-static" >&2
  # Magic and mask match 32-bit x86 ELF executables and shared objects.
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FP' |
    $SUDO tee "$binfmt/register" >/dev/null
}

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}" >&2
  $SUDO dpkg --add-architecture i386
  update_index || echo "bootstrap: the package index did not update; installing all the same" >&2
  if ! runs_i386; then
    # Where this fails, the install below says why.
    install_packages qemu-user-static && register_qemu_i386 || true
  fi
  if ! install_missing && ! install_with_served_indexes; then
    failed="$(failed_indexes | tr '\n' ' ')"
    echo "bootstrap: the package registry was unreachable or inconsistent${failed:+ (index that failed: ${failed% })}." >&2
    echo "bootstrap: nothing is wrong with this machine; run the same command again later." >&2
    if [ -n "$failed" ] && [ "${SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX:-}" != 1 ]; then
      printf 'bootstrap: %s\n' >&2 \
        "if it fails again, SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX=1 before the same command uses" \
        "that index exactly as the registry serves it, which apt could not check against the" \
        "registry's signature: a registry or network that serves altered files could then" \
        "install altered packages on this machine."
    fi
    exit 1
  fi
fi

# Wine's loader may still refuse where the kernel runs plain i386 programs.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  register_qemu_i386
  /usr/lib/wine/wine --version >/dev/null
fi
