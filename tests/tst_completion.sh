#!/usr/bin/env bash
# Completes command lines with the given completion file as bash does on Tab, through the function that `complete`
# registered for tunedrop, and checks the words offered. Usage: tst_completion.sh COMPLETION_FILE
set -euo pipefail

helpers=/usr/share/bash-completion/bash_completion
[ -f "$helpers" ] || { echo "FAIL: $helpers missing (Debian: bash-completion)" >&2; exit 1; }
files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
touch "$files/sites.conf" "$files/other.conf"

# The completion functions are written for an interactive shell's settings, not for these.
set +euo pipefail
source "$helpers"
source "$1"
function=$(complete -p tunedrop | sed -n 's/.* -F \([^ ]*\) .*/\1/p')

failures=0
# Usage: expect LINE WORDS: the words offered with the cursor at the end of LINE.
expect() {
    COMP_LINE=$1 COMP_POINT=${#1} COMPREPLY=()
    read -ra COMP_WORDS <<<"$1"
    [[ $1 == *' ' ]] && COMP_WORDS+=('')
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    "$function" tunedrop "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local offered
    offered=$(printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ')
    if [ "$offered" != "$2" ]; then
        echo "FAIL: '$1' offered '$offered' instead of '$2'" >&2
        failures=$((failures + 1))
    fi
}

expect 'tunedrop --site 2 s' 'search sites'
expect 'tunedrop search --json --site ' '1 2 3 4 5'
expect "tunedrop sites --config $files/s" "$files/sites.conf"
exit $((failures != 0))
