#!/bin/sh
# cravent-cli compose and update: the new firmware next to the project, the flashing program
# started with it; errors on stderr, exit 1 on failure, 2 on wrong use.
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/master.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
app="$dir/app"
p="$app/PROJECTS/P1"
mkdir -p "$app/MASTER" "$p/bin"
# Code below bank 1, the two bank windows, code above them.
master "$app/MASTER/QF40231.sx" code more
head -c 16384 /dev/zero | tr '\0' '\021' >"$p/bin/bank1.bin"
head -c 16384 /dev/zero | tr '\0' '\042' >"$p/bin/bank2.bin"

"$cli" --app-dir "$app" compose "$p" >"$dir/out" 2>"$dir/err"
[ $? -eq 0 ] || fail "compose must succeed: $(cat "$dir/err")"
[ "$(head -n 1 "$dir/out")" = "$p/New_QF40231.sx" ] || fail "compose prints the new file: $(cat "$dir/out")"
# Then one line of what the verified firmware holds (bank 1 is all 0x11 here).
[ "$(sed -n 2p "$dir/out")" = "17.17.17.17:4369, mask 17.17.17.17, bit-rate code 17, CAN 2.0B, 4369 received / 4369 transmitted frames, 4369 / 4369 registers, built 2017-02-02 17:08:04" ] ||
    fail "compose prints the summary: $(cat "$dir/out")"
[ "$(wc -l <"$dir/out")" -eq 2 ] || fail "compose prints two lines: $(cat "$dir/out")"
new="$p/New_QF40231.sx"
srec_cat "$new" -crop 0x388000 0x38C000 -offset -0x388000 -o "$dir/w1" -binary || fail "decode"
srec_cat "$new" -crop 0x398000 0x39C000 -offset -0x398000 -o "$dir/w2" -binary || fail "decode"
cmp -s "$dir/w1" "$p/bin/bank1.bin" || fail "bank 1 window"
cmp -s "$dir/w2" "$p/bin/bank2.bin" || fail "bank 2 window"
x="-exclude 0x388000 0x38C000 -exclude 0x398000 0x39C000"
# shellcheck disable=SC2086
srec_cmp "$app/MASTER/QF40231.sx" $x "$new" $x || fail "the rest of the master changed"
[ "$(tr -cd '\r' <"$new" | wc -c)" -eq "$(wc -l <"$new")" ] || fail "every line ends in CR LF"

# --master names another master; the new file is named after it.
cp "$app/MASTER/QF40231.sx" "$dir/Other.sx"
"$cli" --app-dir "$app" compose "$p" --master "$dir/Other.sx" >/dev/null || fail "--master"
[ -f "$p/New_Other.sx" ] || fail "--master output name"

# Failures: the system's message on stderr, exit 1, the earlier firmware kept.
cp "$new" "$dir/before"
mv "$p/bin/bank2.bin" "$dir/bank2.bin"
"$cli" --app-dir "$app" compose "$p" >"$dir/out" 2>"$dir/err"; [ $? -eq 1 ] || fail "missing bank must exit 1"
[ "$(cat "$dir/err")" = "File bank2.bin Not Found,Abort Procedure" ] || fail "message: $(cat "$dir/err")"
cmp -s "$new" "$dir/before" || fail "a failed composition must keep the earlier firmware"
mv "$dir/bank2.bin" "$p/bin/bank2.bin"
"$cli" --app-dir "$dir/none" compose "$p" 2>"$dir/err"; [ $? -eq 1 ] || fail "missing master must exit 1"
[ "$(cat "$dir/err")" = "File *.Sx Not Found,Abort Procedure" ] || fail "message: $(cat "$dir/err")"
"$cli" compose "$dir/nothing" 2>"$dir/err"; [ $? -eq 1 ] || fail "missing project must exit 1"

"$cli" compose >/dev/null 2>&1; [ $? -eq 2 ] || fail "compose without folder must exit 2"
"$cli" compose "$p" --master >/dev/null 2>&1; [ $? -eq 2 ] || fail "--master without file must exit 2"
"$cli" compose "$p" --flash COM1 >/dev/null 2>&1; [ $? -eq 2 ] || fail "compose has no --flash"
"$cli" update "$p" --flash COM9 >/dev/null 2>&1; [ $? -eq 2 ] || fail "COM9 must exit 2"

# update: build, compose, and start the flashing program with the file and port index.
printf '%s\n' '#!/bin/sh' 'printf "%s" "$1" >"$(dirname "$0")/args.tmp"' \
    'pwd >"$(dirname "$0")/cwd"; mv "$(dirname "$0")/args.tmp" "$(dirname "$0")/args"' \
    >"$app/VuvivOdori.exe"
chmod +x "$app/VuvivOdori.exe"
rm "$new"
"$cli" --app-dir "$app" update "$p" --flash COM3 >"$dir/out" 2>"$dir/err"
[ $? -eq 0 ] || fail "update must succeed: $(cat "$dir/err")"
[ -f "$p/bin/bankg.c" ] || fail "update builds the banks"
[ -f "$new" ] || fail "update composes"
i=0; while [ ! -f "$app/args" ] && [ $i -lt 500 ]; do sleep 0.02; i=$((i+1)); done
printf '"%s"\266%s' "$new" 2 >"$dir/expected"
cmp -s "$app/args" "$dir/expected" || fail "flasher parameter: $(od -c "$app/args")"
[ "$(cat "$app/cwd")" = "$app/MASTER" ] || fail "flasher working folder: $(cat "$app/cwd")"

# A project written on Windows keeps its banks in "BIN": build, compose and update all use it.
b="$app/PROJECTS/P2"
mkdir -p "$b/BIN"
printf '%s\n' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/></COBID>' >"$b/RCobDef.xml"
"$cli" --app-dir "$app" update "$b" >"$dir/out" 2>"$dir/err"
[ $? -eq 0 ] || fail "update of a project with BIN must succeed: $(cat "$dir/err")"
[ ! -e "$b/bin" ] || fail "the build made a second bin folder"
srec_cat "$b/New_QF40231.sx" -crop 0x388000 0x38C000 -offset -0x388000 -o "$dir/b1" -binary || fail "decode"
cmp -s "$dir/b1" "$b/BIN/bank1.bin" || fail "BIN bank 1 window"
"$cli" --app-dir "$app" compose "$b" >/dev/null 2>"$dir/err" || fail "compose BIN: $(cat "$dir/err")"
# Bank 2 of another build beside the build mark is refused; without a mark it is taken.
cp "$b/BIN/bank2.bin" "$dir/own2.bin"
cp "$p/bin/bank2.bin" "$b/BIN/bank2.bin"
"$cli" --app-dir "$app" compose "$b" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "mixed banks must exit 1"
grep -q "come from different builds. Build the banks again." "$dir/err" || fail "mixed: $(cat "$dir/err")"
# The readers of a bin folder refuse the same set, naming the bank file, and decode writes nothing.
for command in "inspect $b/BIN" "decode $b/BIN $dir/decoded" "diff $b/BIN $b"; do
    # shellcheck disable=SC2086
    "$cli" --app-dir "$app" $command >/dev/null 2>"$dir/err"
    status=$?
    case "$command" in diff*) want=2 ;; *) want=1 ;; esac
    [ $status -eq $want ] || fail "$command of mixed banks exits $status"
    grep -q "bank2.bin\" is not the one the last build wrote: the bank files come from different builds" "$dir/err" ||
        fail "$command of mixed banks: $(cat "$dir/err")"
done
[ ! -e "$dir/decoded" ] || fail "decode of mixed banks wrote a project"
rm "$b/BIN/banks.mark"
"$cli" --app-dir "$app" compose "$b" >/dev/null 2>"$dir/err" || fail "unmarked banks: $(cat "$dir/err")"
# A project without any bin folder composes nothing.
c="$app/PROJECTS/P3"
mkdir -p "$c"
"$cli" --app-dir "$app" compose "$c" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "no bin must exit 1"
[ "$(cat "$dir/err")" = "Directory Bin Not Found,Abort Procedure" ] || fail "no bin: $(cat "$dir/err")"
[ ! -e "$c/New_QF40231.sx" ] || fail "composed without a bin folder"
echo "cli compose/update: ok"
