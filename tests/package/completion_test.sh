#!/bin/bash
# The bash completion and the manual page of cravent-cli against the program itself: every
# command and option of --help is completed and documented, and arguments complete as typed.
# Usage: completion_test.sh CLI SOURCE_DIR
set -u
cli="$1"
src="$2"
fail() { echo "FAIL: $*"; exit 1; }
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion || fail "bash-completion missing"
# shellcheck disable=SC1091
source "$src/packaging/cravent-cli.bash-completion" || fail "completion does not load"
page="$src/packaging/cravent-cli.1.scd"

# The words offered after typing LINE (the last word may be empty).
offered() {
    local line="$1"
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="$line"
    COMP_POINT=${#line}
    COMPREPLY=()
    _cravent_cli cravent-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }')
options=$("$cli" --help | sed -n '/^Options:/,/^$/p' | awk '/^  --/ { print $1 }')
[ -n "$commands" ] && [ -n "$options" ] || fail "cannot read --help"
for c in $commands; do
    grep -q "^\*$c\* " "$page" || fail "manual page lacks command $c"
done
for o in $options; do
    grep -q "^\*$o\*" "$page" || fail "manual page lacks option $o"
done
[ "$(offered 'cravent-cli ')" = "$(printf '%s\n' $commands | sort | tr '\n' ' ' | sed 's/ $//')" ] ||
    fail "commands offered: $(offered 'cravent-cli ')"
[ "$(offered 'cravent-cli --')" = "$(printf '%s\n' $options | sort | tr '\n' ' ' | sed 's/ $//')" ] ||
    fail "options offered: $(offered 'cravent-cli --')"

# Each command's own --help against the completion and the manual page: every option it
# declares is completed (import before its source is known) and documented.
for c in $commands; do
    own=$("$cli" "$c" --help | sed -n '/^Options:/,/^$/p' | awk '/^  -/ && $1 != "--help" { print $1 }' | sort | tr '\n' ' ' | sed 's/ $//')
    [ "$(offered "cravent-cli $c x -")" = "$own" ] || fail "$c: options offered '$(offered "cravent-cli $c x -")', declared '$own'"
    for o in $own; do
        grep -q -- "\*$c\* .*\*$o\*" "$page" || fail "manual page lacks $o in the synopsis of $c"
    done
done

while IFS='|' read -r line expected; do
    [ "$(offered "$line")" = "$expected" ] || fail "after '$line': '$(offered "$line")', not '$expected'"
done <<CASES
cravent-cli b|batch build
cravent-cli bu|build
cravent-cli d|dbc decode diff
cravent-cli --app-dir /tmp c|check compose
cravent-cli import /tmp |rx-frames rx-map tx-frames tx-map
cravent-cli export /tmp r|rx-frames rx-map
cravent-cli update /tmp --flash |COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8
cravent-cli update /tmp --flash COM|COM1 COM2 COM3 COM4 COM5 COM6 COM7 COM8
cravent-cli update /tmp --|--flash --master
cravent-cli compose /tmp --|--master
cravent-cli ping host --|--timeout
cravent-cli ping host --timeout |
cravent-cli import /tmp rx-frames frames.xlsx --|--allow-empty --keep-first
cravent-cli import /tmp rx-frames $src/tests/fixtures/dbc/gateway.dbc --|--keep-first --node
cravent-cli import /tmp tx-map $src/tests/fixtures/dbc/gateway.dbc --|--first-register --node
cravent-cli import /tmp rx-map $src/tests/fixtures/dbc/gateway.dbc --node |DASH ECU GW
cravent-cli import /tmp rx-map $src/tests/fixtures/dbc/oddspacing.dbc --node |ECU GW
cravent-cli import /tmp rx-map $src/tests/fixtures/dbc/gateway.dbc --node GW --|--first-register --node
cravent-cli report /tmp --|--format
cravent-cli report /tmp -|--format -o
cravent-cli report /tmp --format |csv html json md
cravent-cli report /tmp --format h|html
cravent-cli check /tmp --|--json
cravent-cli inspect /tmp --|--json
cravent-cli diff a b --|--json
cravent-cli dbc file.dbc --|--json
cravent-cli batch /tmp units.csv --|--master --out
cravent-cli batch /tmp units.csv --master m.sx --|--master --out
cravent-cli read /tmp --|--host --json --port --timeout
cravent-cli read /tmp --port |
cravent-cli read /tmp --timeout |
cravent-cli read /tmp --port 1502 --|--host --json --port --timeout
CASES
echo "completion: ok"
