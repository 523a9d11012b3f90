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
echo "cli usage: ok"
