# Sourced by the scripts that need the build's names: the texts and numbers
# of branding.h, which the build makes from its naming variables.
# Usage: branding_text <branding.h> <macro>, such as SETUP_PACKAGE_TEXT

branding_text() {
    local text
    text="$(sed -n "s/^#define $2 \"\(.*\)\"\$/\1/p" "$1" | head -n1)"
    if [ -z "$text" ]; then
        echo "branding: $1 defines no $2" >&2
        return 1
    fi
    # The configure step refuses these; a text with them would need decoding
    # here and escaping wherever it goes.
    case "$text" in
    *'\'* | *'"'* | *'&'* | *'<'* | *'>'*)
        echo "branding: $2 holds characters that the scripts do not pass on: $text" >&2
        return 1
        ;;
    esac
    printf '%s' "$text"
}
