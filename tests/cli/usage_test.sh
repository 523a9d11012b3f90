#!/bin/sh
# The command-line program's usage contract: help lists the commands, wrong use exits 2.
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }
"$cli" --help | grep -q "Usage: cravent-cli" || fail "--help"
"$cli" --version | grep -qx "cravent-cli 1.002" || fail "--version"
"$cli" >/dev/null 2>&1; [ $? -eq 2 ] || fail "no command must exit 2"
"$cli" no-such-command >/dev/null 2>&1; [ $? -eq 2 ] || fail "unknown command must exit 2"
"$cli" --app-dir >/dev/null 2>&1; [ $? -eq 2 ] || fail "--app-dir without folder must exit 2"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
[ "$("$cli" --app-dir "$dir/app" --print-app-dir)" = "$dir/app" ] || fail "--print-app-dir shows --app-dir"
[ -e "$dir/app" ] && fail "--print-app-dir must not create a chosen folder"
"$cli" --print-app-dir build "$dir" >/dev/null 2>&1; [ $? -eq 2 ] || fail "--print-app-dir with a command must exit 2"
# The build tree is a folder of its own: the program folder is the executable's.
[ "$("$cli" --print-app-dir)" = "$(dirname "$(readlink -f "$cli")")" ] || fail "--print-app-dir of a portable folder"
"$cli" -h | grep -q "^Commands:" || fail "-h"
out=$("$cli" no-such-command 2>&1 >/dev/null)
echo "$out" | grep -q "unknown command 'no-such-command'" || fail "unknown command not named: $out"
echo "$out" | grep -q "^Usage: cravent-cli " || fail "unknown command without usage: $out"

# Every command of the table follows one grammar: its --help on stdout with exit 0, and any
# option it does not declare, long or short, refused with exit 2, the reason and the same usage
# line as in the program's --help, on stderr only.
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/p' | awk '/^  [a-z]/ { print $1 }')
[ "$(echo "$commands" | wc -w)" -eq 14 ] || fail "commands in --help: $commands"
for c in $commands; do
    listed=$("$cli" --help | grep "^  $c[ ]*" | head -n 1 | sed 's/^  //')
    "$cli" "$c" --help >"$dir/out" 2>"$dir/err"; rc=$?
    [ $rc -eq 0 ] && [ ! -s "$dir/err" ] || fail "$c --help: rc=$rc $(cat "$dir/err")"
    [ "$(head -n 1 "$dir/out")" = "Usage: cravent-cli $listed" ] || fail "$c --help: $(head -n 1 "$dir/out")"
    for wrong in -x --bogus; do
        "$cli" "$c" "$wrong" >"$dir/out" 2>"$dir/err"; rc=$?
        [ $rc -eq 2 ] || fail "$c $wrong must exit 2, not $rc"
        [ -s "$dir/out" ] && fail "$c $wrong wrote on stdout"
        grep -q "^cravent-cli $c: .*$wrong" "$dir/err" || fail "$c $wrong: reason not named: $(cat "$dir/err")"
        grep -qxF "Usage: cravent-cli $listed" "$dir/err" || fail "$c $wrong: usage: $(cat "$dir/err")"
    done
    # Without its arguments every command is wrong use too.
    "$cli" "$c" >/dev/null 2>"$dir/err"; [ $? -eq 2 ] || fail "$c without arguments must exit 2"
    grep -qxF "Usage: cravent-cli $listed" "$dir/err" || fail "$c without arguments: $(cat "$dir/err")"
done
# A flag or a value given twice is wrong use, for every command alike.
for args in "check $dir --json --json" "inspect $dir --json --json" "read $dir --port 1 --port 2" \
    "report $dir -o a -o b" "compose $dir --master a --master b"; do
    # shellcheck disable=SC2086
    "$cli" $args >/dev/null 2>&1; rc=$?
    [ $rc -eq 2 ] || fail "$args must exit 2, not $rc"
done
# "--" ends the options, so a folder may start with a dash.
mkdir "$dir/-p"
"$cli" check -- "$dir/-p" >/dev/null 2>&1; [ $? -ne 2 ] || fail "check -- FOLDER must be taken"
echo "cli usage: ok"
