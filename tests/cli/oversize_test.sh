#!/bin/sh
# cravent-cli against inputs larger than their kind can be: each is refused by its size before
# it is read, naming the file and the bound, with exit 1, under an address-space limit that
# reading it would exceed. Memory that runs out anyway ends the command with a message too.
set -u
cli="$1"
sanitized="${2:-OFF}" # AddressSanitizer reserves terabytes of address space: it runs unlimited
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
app="$dir/app"
p="$app/PROJECTS/P1"
master="$app/MASTER/QF40231.sx"
mkdir -p "$app/MASTER" "$p/bin"
head -c 16384 /dev/zero >"$p/bin/bank1.bin"
head -c 16384 /dev/zero >"$p/bin/bank2.bin"

# Runs the rest of the line with at most $1 KiB of address space.
limited() {
    kib=$1
    shift
    (if [ "$sanitized" != ON ]; then ulimit -v "$kib" || exit 99; fi; exec "$@")
}
expect() { # exit status, expected stderr, what
    [ "$rc" -eq "$1" ] || fail "$3: exit $rc, not $1: $(cat "$dir/err")"
    [ "$(cat "$dir/err")" = "$2" ] || fail "$3: message: $(cat "$dir/err")"
    [ -e "$p/New_QF40231.sx" ] && fail "$3: a new firmware was written"
    return 0
}

# A 3 GB master under 2 GB: read whole, it aborted the program (exit 134).
truncate -s 3G "$master"
limited 2097152 "$cli" --app-dir "$app" compose "$p" >/dev/null 2>"$dir/err"
rc=$?
expect 1 "File New Sx Not Create,Abort Procedure
Cannot read file \"$master\". It holds 3221225472 bytes; a file of its kind holds at most 64 MiB (67108864 bytes)" \
    "3 GB master"

# A 1 GB bank file under 1 GB: it is never read, its size alone refuses it.
truncate -s 1G "$p/bin/bank1.bin"
limited 1048576 "$cli" --app-dir "$app" compose "$p" >/dev/null 2>"$dir/err"
rc=$?
expect 1 "File New Sx Not Create,Abort Procedure
File \"$p/bin/bank1.bin\" holds 1073741824 bytes, not 16384." "1 GB bank"
head -c 16384 /dev/zero >"$p/bin/bank1.bin"

# A project file beyond its bound stops the build before the parser sees it.
truncate -s 17M "$p/pargen.xml"
limited 1048576 "$cli" build "$p" >/dev/null 2>"$dir/err"
rc=$?
[ "$rc" -eq 1 ] || fail "17 MiB pargen.xml: exit $rc: $(cat "$dir/err")"
grep -qF "Cannot read file \"$p/pargen.xml\". It holds 17825792 bytes; a file of its kind holds at most 16 MiB (16777216 bytes)" \
    "$dir/err" || fail "17 MiB pargen.xml: message: $(cat "$dir/err")"
rm "$p/pargen.xml"

# Memory that runs out all the same (a master within its bound, 16 MiB above what the program
# needs to start) ends the command with a message, not an abort.
if [ "$sanitized" != ON ]; then
    truncate -s 0 "$master"
    truncate -s 60M "$master"
    start=8192
    while ! limited "$start" "$cli" --version >/dev/null 2>&1; do
        start=$((start + 8192))
        [ "$start" -le 1048576 ] || fail "cravent-cli does not start within 1 GiB"
    done
    limited $((start + 16384)) "$cli" --app-dir "$app" compose "$p" >/dev/null 2>"$dir/err"
    rc=$?
    expect 1 "cravent-cli: not enough memory to finish the command" "memory exhausted"
fi
echo "cli oversized inputs: ok"
