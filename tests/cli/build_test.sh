#!/bin/sh
# cravent-cli build: writes the banks and the listing of a project; errors go to stderr.
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
p="$dir/P1"
mkdir -p "$p/bin"
printf '%s' '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="30"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>502</Port></GeneralParameter>' >"$p/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/></COBID>' >"$p/RCobDef.xml"

SOURCE_DATE_EPOCH=1765291072 "$cli" build "$p" >"$dir/out" 2>"$dir/err"
[ $? -eq 0 ] || fail "build must succeed: $(cat "$dir/err")"
[ -s "$dir/out" ] && fail "build must print nothing on success"
[ -s "$dir/err" ] && fail "build must print no error on success"
for n in 1 2 3 4 5; do
    [ "$(wc -c <"$p/bin/bank$n.bin")" -eq 16384 ] || fail "bank$n.bin size"
done
[ "$(wc -c <"$p/bin/bankg.c")" -eq 235593 ] || fail "bankg.c size"
[ "$(od -An -tx1 -j0 -N3 "$p/bin/bank2.bin" | tr -d ' ')" = "810108" ] || fail "frame entry"
[ "$(od -An -tx1 -j16000 -N24 "$p/bin/bank1.bin" | tr -d ' \n')" = \
  "0700c0a8001effffff00f6010100000000000000194eaed4" ] || fail "communication block"

# The same project and SOURCE_DATE_EPOCH give the same bytes.
cp "$p/bin/bank1.bin" "$dir/first.bin"
SOURCE_DATE_EPOCH=1765291072 "$cli" build "$p" || fail "second build"
cmp -s "$dir/first.bin" "$p/bin/bank1.bin" || fail "build is not reproducible"

"$cli" build >/dev/null 2>&1; [ $? -eq 2 ] || fail "build without folder must exit 2"
"$cli" build "$p" "$p" >/dev/null 2>&1; [ $? -eq 2 ] || fail "build with two folders must exit 2"
"$cli" build "$dir/none" 2>"$dir/err"; [ $? -eq 1 ] || fail "missing folder must exit 1"
grep -qx "Project folder \"$dir/none\" not found" "$dir/err" || fail "missing folder message"

# A failed build writes nothing and says why.
q="$dir/Q"
mkdir -p "$q/bin"
sed 's|<Port>502</Port>|<Port></Port>|' "$p/pargen.xml" >"$q/Pargen.xml"
"$cli" build "$q" >"$dir/out" 2>"$dir/err"; [ $? -eq 1 ] || fail "empty Port must exit 1"
# The check stops it with the builder's own message, said once.
grep -qxF "Pargen.xml: error: File \"$q/Pargen.xml\", element \"Port\": '' is not a valid integer value  [build-refused]" "$dir/err" ||
    fail "empty Port message: $(cat "$dir/err")"
[ "$(wc -l <"$dir/err")" -eq 1 ] || fail "the refusal is said once: $(cat "$dir/err")"
[ -z "$(ls -A "$q/bin")" ] || fail "a failed build must write no file"

# A read-only listing stops the command after the bank files.
rm "$p/bin/bank1.bin"
chmod a-w "$p/bin/bankg.c"
"$cli" build "$p" 2>"$dir/err"; [ $? -eq 1 ] || fail "read-only listing must exit 1"
grep -qxF "Cannot create file \"$p/bin/bankg.c\". Permission denied" "$dir/err" ||
    fail "read-only listing message: $(cat "$dir/err")"
[ -f "$p/bin/bank1.bin" ] || fail "bank files must be written before the listing"

# A project file that is there but cannot be looked at is no missing file: the build stops.
l="$dir/L"
mkdir -p "$l/bin"
ln -s TCobDef.xml "$l/TCobDef.xml"
"$cli" build "$l" >"$dir/out" 2>"$dir/err"; [ $? -eq 1 ] || fail "a looping link must exit 1"
grep -qxF "Cannot read file \"$l/TCobDef.xml\". Too many levels of symbolic links" "$dir/err" ||
    fail "looping link message: $(cat "$dir/err")"
[ -z "$(ls -A "$l/bin")" ] || fail "a stopped build must write no file"
echo "cli build: ok"
