# The opening of the shell tests, sourced before anything else:
#   . "$(dirname "$0")/../support/shell-test.sh"
# Strict mode and the C locale, so that sorting and matching do not follow
# the caller's; fail counts a failure and the test goes on, finish ends it.
set -euo pipefail
export LC_ALL=C

failures=0
shell_test_dirs=()

# fail <message>...: reports a failed check; finish counts it.
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# fail_now <message>...: reports a failed check that the rest depends on,
# and ends the test.
fail_now() {
    fail "$@"
    finish
}

# fresh_dir <dir>: an empty folder, made anew; finish removes it when every
# check passed. The tests run as root, and a wrong argument must not empty
# the machine: a path that is empty or names / or a folder right below it is
# refused.
fresh_dir() {
    local dir="${1:-}" canonical
    canonical="$(realpath -m -- "${dir:-/}")"
    if [ -z "$dir" ] || [[ ! "$canonical" =~ ^/[^/]+/. ]]; then
        echo "FAIL: refused to empty \"$dir\": not a test's own folder" >&2
        exit 2
    fi
    rm -rf -- "$dir"
    mkdir -p -- "$dir"
    shell_test_dirs+=("$dir")
}

# finish [<summary>]: ends the test, with 1 when a check failed (its folders
# stay to be looked at), or else with the summary and 0.
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    if [ ${#shell_test_dirs[@]} -gt 0 ]; then
        rm -rf -- "${shell_test_dirs[@]}"
    fi
    if [ -n "${1:-}" ]; then
        echo "$1"
    fi
    exit 0
}
