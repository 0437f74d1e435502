#!/usr/bin/env bash
# scripts/bootstrap.sh against a package registry caught mid-sync, played by
# stubs of dpkg, dpkg-query, apt-get and apt's download helper on the PATH:
# an index that fails once is read again and the install goes on; one that
# keeps failing, with an install that fails too, ends with a message that
# names the index and the consent to use it as served; with that consent the
# served file goes where apt keeps the index, and the install goes on.
# Usage: bootstrap-test.sh <bootstrap.sh> <scratch dir>
. "$(dirname "$0")/../support/shell-test.sh"
bootstrap="$1"
scratch="$2"
fresh_dir "$scratch"
mkdir -p "$scratch/bin"
index=http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
list=deb.example_debian-security_dists_bookworm-security_main_binary-i386_Packages.xz

cat >"$scratch/bin/dpkg" <<'STUB'
#!/bin/sh
# No foreign architecture yet; adding one succeeds.
exit 0
STUB
cat >"$scratch/bin/dpkg-query" <<'STUB'
#!/bin/sh
# Nothing is installed.
exit 1
STUB
cat >"$scratch/bin/apt-get" <<'STUB'
#!/bin/sh
# STUB_UPDATE_FAILURES: how many updates fail; STUB_INSTALL: ok, fail, or
# needs-index (ok once the failed index is in the lists).
calls="$STUB_STATE/calls"
echo "$*" >>"$calls"
case " $* " in
*" update "*)
  failed=$(grep -c update "$calls")
  if [ "$failed" -le "$STUB_UPDATE_FAILURES" ]; then
    echo "Err:6 http://deb.example/debian-security bookworm-security/main i386 Packages"
    echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit 100
  fi
  exit 0 ;;
*" indextargets "*)
  # Without --no-release-info apt lists only the indexes it already has.
  case " $* " in *" --no-release-info "*) ;; *) exit 0 ;; esac
  while [ "$1" != --format ]; do shift; done
  for arch in amd64 i386; do
    printf '%s\n' "$2" |
      sed "s|\$(URI)|http://deb.example/debian-security/dists/bookworm-security/main/binary-$arch/Packages|;
           s|\$(FILENAME)|$STUB_STATE/lists/deb.example_debian-security_dists_bookworm-security_main_binary-${arch}_Packages|"
  done
  exit 0 ;;
*" install "*)
  # What an i386 package's own set-up script would find.
  [ -s "$STUB_STATE/binfmt/register" ] && echo "qemu-i386 registered" >>"$calls"
  [ "$STUB_INSTALL" = ok ] && exit 0
  [ "$STUB_INSTALL" = needs-index ] && [ -e "$STUB_STATE/lists/deb.example_debian-security_dists_bookworm-security_main_binary-i386_Packages.xz" ] && exit 0
  echo "E: Unable to correct problems, you have held broken packages." >&2
  exit 100 ;;
esac
STUB
cat >"$scratch/bin/apt-helper" <<'STUB'
#!/bin/sh
# download-file <uri> <file>: the registry's file as served, into a folder
# that must exist.
echo "$*" >>"$STUB_STATE/calls"
[ "$1" = download-file ] && [ -d "${3%/*}" ] || exit 1
echo "served $2" >"$3"
STUB
chmod +x "$scratch/bin/"*

# Runs bootstrap with the stubs and SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX=$4,
# on a kernel that runs 32-bit programs unless BOOTSTRAP_I386_PROBE says
# otherwise, with binfmt_misc played by $1/binfmt; its messages go to
# $1/output.
run() {
  local state="$scratch/$1"
  mkdir -p "$state/lists/partial" "$state/binfmt"
  : >"$state/binfmt/register"
  set +e
  PATH="$scratch/bin:$PATH" STUB_STATE="$state" STUB_UPDATE_FAILURES="$2" STUB_INSTALL="$3" \
    SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX="$4" BOOTSTRAP_RETRY_PAUSE=0 \
    BOOTSTRAP_I386_PROBE="${BOOTSTRAP_I386_PROBE:-true}" BOOTSTRAP_BINFMT="$state/binfmt" \
    bash "$bootstrap" >"$state/output" 2>&1
  echo $? >"$state/status"
  set -e
}

# After the packages, bootstrap checks Wine's loader, which the stubs do not
# install: where this machine has it, a run that installed succeeds.
installed() {
  ! grep -q 'unreachable or inconsistent' "$scratch/$1/output" ||
    fail "$1: the install did not go on: $(cat "$scratch/$1/output")"
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    [ "$(cat "$scratch/$1/status")" = 0 ] || fail "$1: bootstrap failed: $(cat "$scratch/$1/output")"
  fi
}

# A registry that recovers is used as it is, consent or not.
run once 1 ok 1
installed once
[ "$(grep -c '^update' "$scratch/once/calls")" = 2 ] || fail "the index was not read again once"
grep -q '^install .*msitools' "$scratch/once/calls" || fail "the install did not go on"
! grep -q '^download-file' "$scratch/once/calls" || fail "a registry that recovered was bypassed"

run always 99 fail ""
[ "$(cat "$scratch/always/status")" != 0 ] || fail "a registry that kept failing passed for a bootstrap"
grep -q 'install' "$scratch/always/calls" || fail "the install was not tried despite the failed index"
! grep -q '^download-file' "$scratch/always/calls" || fail "an index was fetched unchecked without consent"
message="$(cat "$scratch/always/output")"
for expected in "index that failed: $index" "unreachable or inconsistent" "run the same command again later" \
  "SETUP_BOOTSTRAP_ACCEPT_SERVED_INDEX=1 before the same command" "could then" "install altered packages"; do
  grep -qF "$expected" <<<"$message" || fail "the message lacks \"$expected\": $message"
done

# With consent, the index as served, where apt keeps it, and then the install.
run served 99 needs-index 1
installed served
[ "$(cat "$scratch/served/lists/$list" 2>/dev/null)" = "served $index" ] ||
  fail "the served index is not where apt keeps it: $(ls -R "$scratch/served/lists")"
[ "$(grep -c '^install' "$scratch/served/calls")" = 2 ] || fail "the install was not tried again"
grep -qF "$index as served, unchecked, is $scratch/served/lists/$list" "$scratch/served/output" ||
  fail "bootstrap did not say what it placed: $(cat "$scratch/served/output")"

# Where the kernel runs no 32-bit program, qemu-i386 comes first, alone, and
# is registered before any i386 package is installed, so that their own
# set-up scripts run.
BOOTSTRAP_I386_PROBE=false run qemu 0 ok ""
installed qemu
grep -n '^install ' "$scratch/qemu/calls" >"$scratch/qemu/installs"
[ "$(sed -n 1p "$scratch/qemu/installs" | sed 's/.*--no-install-recommends //')" = qemu-user-static ] ||
  fail "qemu-user-static was not installed first, alone: $(cat "$scratch/qemu/installs")"
[ "$(wc -l <"$scratch/qemu/installs")" = 2 ] && grep -q 'wine32:i386' "$scratch/qemu/installs" ||
  fail "the i386 packages were not installed after it: $(cat "$scratch/qemu/installs")"
[ "$(grep -A1 'wine32:i386' "$scratch/qemu/calls" | tail -n1)" = "qemu-i386 registered" ] ||
  fail "qemu-i386 was not registered when the i386 packages were installed: $(cat "$scratch/qemu/calls")"
grep -qF ':qemu-i386:M::' "$scratch/qemu/binfmt/register" ||
  fail "qemu-i386 was not registered: $(cat "$scratch/qemu/output")"
run native 0 ok ""
[ ! -s "$scratch/native/binfmt/register" ] || fail "qemu-i386 was registered where the kernel runs 32-bit programs"

finish "bootstrap survives a registry hiccup, explains one that persists, and with consent uses its index as served"
