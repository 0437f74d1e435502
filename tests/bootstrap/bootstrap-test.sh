#!/usr/bin/env bash
# scripts/bootstrap.sh against a package registry caught mid-sync, played by
# stubs of dpkg, dpkg-query and apt-get on the PATH: an index that fails once
# is read again and the install goes on; one that keeps failing, with an
# install that fails too, ends with a message that names the index.
# Usage: bootstrap-test.sh <bootstrap.sh> <scratch dir>
set -euo pipefail
bootstrap="$1"
scratch="$2"
rm -rf "$scratch"
mkdir -p "$scratch/bin"
failures=0

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
# STUB_UPDATE_FAILURES: how many updates fail; STUB_INSTALL: ok or fail.
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
*" install "*)
  [ "$STUB_INSTALL" = ok ] && exit 0
  echo "E: Unable to correct problems, you have held broken packages." >&2
  exit 100 ;;
esac
STUB
chmod +x "$scratch/bin/"*

# Runs bootstrap with the stubs; its messages go to $1/output.
run() {
  local state="$scratch/$1"
  mkdir -p "$state"
  set +e
  PATH="$scratch/bin:$PATH" STUB_STATE="$state" STUB_UPDATE_FAILURES="$2" STUB_INSTALL="$3" \
    BOOTSTRAP_RETRY_PAUSE=0 bash "$bootstrap" >"$state/output" 2>&1
  echo $? >"$state/status"
  set -e
}

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

run once 1 ok
! grep -q 'unreachable or inconsistent' "$scratch/once/output" ||
  fail "a registry that failed once stopped bootstrap: $(cat "$scratch/once/output")"
# After the packages, bootstrap checks Wine's loader, which the stubs do not
# install: where this machine has it, the whole run succeeds.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  [ "$(cat "$scratch/once/status")" = 0 ] || fail "bootstrap failed: $(cat "$scratch/once/output")"
fi
[ "$(grep -c '^update' "$scratch/once/calls")" = 2 ] || fail "the index was not read again once"
grep -q '^install .*msitools' "$scratch/once/calls" || fail "the install did not go on"

run always 99 fail
[ "$(cat "$scratch/always/status")" != 0 ] || fail "a registry that kept failing passed for a bootstrap"
grep -q 'install' "$scratch/always/calls" || fail "the install was not tried despite the failed index"
message="$(cat "$scratch/always/output")"
for expected in "index that failed: http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz" \
  "unreachable or inconsistent" "run the same command again later"; do
  grep -qF "$expected" <<<"$message" || fail "the message lacks \"$expected\": $message"
done

[ "$failures" = 0 ] && echo "bootstrap survives a registry hiccup and explains one that persists"
[ "$failures" = 0 ]
