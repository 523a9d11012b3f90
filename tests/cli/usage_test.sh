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
echo "cli usage: ok"
