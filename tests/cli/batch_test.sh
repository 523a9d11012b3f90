#!/bin/sh
# cravent-cli batch: one verified firmware per unit with the unit's own address, reproducible
# under SOURCE_DATE_EPOCH, and a manifest whose hashes sha256sum confirms; a bad line stops the
# batch before any file is written.
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/master.sh"
for tool in srec_cat srec_cmp sha256sum; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/install-deps.sh installs it)"; exit 1; }
done
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
app="$dir/app"
p="$dir/P1"
mkdir -p "$app/MASTER" "$p/bin"
master "$app/MASTER/QF40231.sx" code
printf '%s' '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="30"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>502</Port></GeneralParameter>' >"$p/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/></COBID>' >"$p/RCobDef.xml"
(cd "$p" && ls -l --time-style=+%s . >"$dir/project.before")
printf 'name,ip,mask,port\r\nline-A,10.0.0.1\r\nline-B,10.0.0.2\r\n\r\nline-C,10.0.0.3,,502\r\n' >"$dir/units.csv"

export SOURCE_DATE_EPOCH=1765291072
"$cli" --app-dir "$app" batch "$p" "$dir/units.csv" --out "$dir/out" >"$dir/stdout" 2>"$dir/err" ||
    fail "batch: $(cat "$dir/err")"
printf '%s\n' "$dir/out/line-A.sx" "$dir/out/line-B.sx" "$dir/out/line-C.sx" "$dir/out/manifest.csv" >"$dir/expected"
cmp -s "$dir/stdout" "$dir/expected" || fail "batch prints the files: $(cat "$dir/stdout")"
(cd "$p" && ls -l --time-style=+%s . >"$dir/project.after")
cmp -s "$dir/project.before" "$dir/project.after" || fail "the project's files are not touched"

# The three firmwares differ only in the four address bytes, bank 1 offsets 16002..16005.
ip=0x38BE82
ipEnd=0x38BE86
for u in B C; do
    srec_cmp "$dir/out/line-A.sx" "$dir/out/line-$u.sx" >/dev/null 2>&1 && fail "line-$u must differ from line-A"
    srec_cmp "$dir/out/line-A.sx" -exclude $ip $ipEnd "$dir/out/line-$u.sx" -exclude $ip $ipEnd ||
        fail "line-$u differs from line-A beyond the address bytes"
done
for u in A:01 B:02 C:03; do
    srec_cat "$dir/out/line-${u%%:*}.sx" -crop $ip $ipEnd -offset -$ip -o "$dir/ip.bin" -binary || fail "crop"
    [ "$(od -An -tx1 "$dir/ip.bin" | tr -d ' \n')" = "0a0000${u#*:}" ] || fail "address of line-${u%%:*}"
done
"$cli" inspect "$dir/out/line-B.sx" | grep -qxF "  IP address: 10.0.0.2" || fail "inspect line-B"

# The manifest: a header, then name, address and the sha256sum of each file.
[ "$(head -n 1 "$dir/out/manifest.csv")" = "name,ip,sha256" ] || fail "manifest header"
[ "$(wc -l <"$dir/out/manifest.csv")" -eq 4 ] || fail "manifest rows: $(cat "$dir/out/manifest.csv")"
tail -n +2 "$dir/out/manifest.csv" | while IFS=, read -r name address sum; do
    printf '%s  %s\n' "$sum" "$dir/out/$name.sx"
done >"$dir/sums"
sha256sum -c --quiet "$dir/sums" || fail "manifest hashes"
grep -qx "line-C,10.0.0.3,[0-9a-f]\{64\}" "$dir/out/manifest.csv" || fail "manifest row: $(cat "$dir/out/manifest.csv")"

# Reproducible: the same SOURCE_DATE_EPOCH gives the same files.
"$cli" --app-dir "$app" batch "$p" "$dir/units.csv" --out "$dir/again" >/dev/null || fail "second batch"
cmp -s "$dir/out/manifest.csv" "$dir/again/manifest.csv" || fail "batch is not reproducible"

# A unit's own mask and port.
printf 'name,ip,mask,port\nU1,10.1.0.9,255.255.0.0,1502\n' >"$dir/own.csv"
"$cli" --app-dir "$app" batch "$p" "$dir/own.csv" --out "$dir/own" >/dev/null || fail "own mask and port"
"$cli" inspect "$dir/own/U1.sx" >"$dir/text"
grep -qxF "  Subnet mask: 255.255.0.0" "$dir/text" && grep -qxF "  Modbus TCP port: 1502" "$dir/text" ||
    fail "own mask and port: $(cat "$dir/text")"

# A bad line stops everything before any file is written, naming the line.
check_bad() { # csv expected-message
    printf "$1" >"$dir/bad.csv"
    rm -rf "$dir/badout"
    "$cli" --app-dir "$app" batch "$p" "$dir/bad.csv" --out "$dir/badout" >/dev/null 2>"$dir/err"
    [ $? -eq 1 ] || fail "bad units must exit 1: $1"
    [ "$(cat "$dir/err")" = "File \"$dir/bad.csv\", $2" ] || fail "message for $1: $(cat "$dir/err")"
    [ -e "$dir/badout" ] && fail "nothing may be written for: $1"
    return 0
}
check_bad 'name,ip\nA,10.0.0.1\nB,10.0.0.2\nA,10.0.0.3\n' "line 4: the name 'A' is already that of line 2."
check_bad 'name,ip\nA,10.0.0.1\nB,10.0.0.1\n' "line 3: the IP address 10.0.0.1 is already that of line 2."
check_bad 'name,ip\nA,10.0.0.1\nB,10.0.0.256\n' "line 3: the IP address '10.0.0.256': the octet 256 is above 255."
check_bad 'name,ip\n../evil,10.0.0.1\n' "line 2: the name '../evil' is not a safe file name (letters, digits, '_', '-' and '.' only)."
check_bad 'name,ip\nCOM1,10.0.0.1\n' "line 2: the name 'COM1' is a device name on Windows."
check_bad 'name,ip\nA,10.0.0\n' "line 2: the IP address '10.0.0' is not four decimal octets."
check_bad 'name,ip\nA\n' "line 2: a unit is name,ip[,mask][,port], not 1 field."
check_bad 'name,ip\nA,10.0.0.1,255.255.255.0,70000\n' "line 2: the port '70000' is not a number from 1 to 65535."
check_bad 'A,10.0.0.1\n' "line 1: the first line must be the header name,ip[,mask][,port]."

# A unit whose firmware would land on the master is refused before anything is written.
cp "$app/MASTER/QF40231.sx" "$dir/master.keep"
printf 'name,ip\nA,10.0.0.1\nQF40231,10.0.0.2\n' >"$dir/onmaster.csv"
"$cli" --app-dir "$app" batch "$p" "$dir/onmaster.csv" --out "$app/MASTER" >/dev/null 2>"$dir/err"
[ $? -eq 1 ] || fail "a unit on the master must exit 1"
[ "$(cat "$dir/err")" = "File \"$dir/onmaster.csv\", line 3: the firmware of unit 'QF40231' would be written as \"$app/MASTER/QF40231.sx\" over the master firmware \"$app/MASTER/QF40231.sx\". Give --out another folder or the unit another name." ] ||
    fail "unit on the master: $(cat "$dir/err")"
cmp -s "$dir/master.keep" "$app/MASTER/QF40231.sx" || fail "the master was replaced"
[ -e "$app/MASTER/A.sx" ] && fail "a unit was written beside the master"
# A second batch into the same folder removes the first one's manifest before any unit file.
printf 'name,ip\nline-A,10.9.0.1\n' >"$dir/again.csv"
"$cli" --app-dir "$app" batch "$p" "$dir/again.csv" --out "$dir/out" --master /nonexistent/QF40231.sx >/dev/null 2>"$dir/err"
[ $? -eq 1 ] || fail "a missing master must exit 1"
[ "$(cat "$dir/err")" = "$(printf 'File *.Sx Not Found,Abort Procedure\nMaster firmware "/nonexistent/QF40231.sx" not found.')" ] ||
    fail "missing master: $(cat "$dir/err")"
[ -e "$dir/out/manifest.csv" ] || fail "a batch refused before its work removed the manifest"

"$cli" batch "$p" "$dir/units.csv" >/dev/null 2>&1; [ $? -eq 2 ] || fail "batch without --out must exit 2"
"$cli" batch "$p" --out "$dir/x" >/dev/null 2>&1; [ $? -eq 2 ] || fail "batch without units must exit 2"
"$cli" batch "$p" "$dir/units.csv" --out >/dev/null 2>&1; [ $? -eq 2 ] || fail "--out without folder must exit 2"
# The same check as build and update: an error stops the batch before anything is written, as
# build stops; warnings are said once and the batch goes on.
q="$dir/P2"
mkdir -p "$q/bin"
sed 's|<CANType>0</CANType>|<CANType>1</CANType>|' "$p/pargen.xml" >"$q/pargen.xml"
printf '%s' '<COBID><row CobID="0x3FFFFFFF" Dimensin="8" Mnemonic="Wide"/></COBID>' >"$q/RCobDef.xml"
"$cli" build "$q" >/dev/null 2>"$dir/build.err"
[ $? -eq 1 ] || fail "build of a 29-bit COB-ID beyond 0x1FFFFFFF must exit 1"
grep -q "\[cobid-range\]" "$dir/build.err" || fail "build message: $(cat "$dir/build.err")"
"$cli" --app-dir "$app" batch "$q" "$dir/units.csv" --out "$dir/refused" >"$dir/stdout" 2>"$dir/err"
[ $? -eq 1 ] || fail "batch must stop where build stops"
cmp -s "$dir/err" "$dir/build.err" || fail "batch says what build says: $(cat "$dir/err")"
[ -s "$dir/stdout" ] && fail "a refused batch names no file: $(cat "$dir/stdout")"
[ -e "$dir/refused" ] && fail "nothing is written when the check finds an error"
sed 's|<Port>502</Port>|<Port>70000</Port>|' "$p/pargen.xml" >"$q/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/></COBID>' >"$q/RCobDef.xml"
printf '%s' '<RInfoCob><row Index="7" NrPdo="1" PosComp="1"/><row Index="7" NrPdo="1" PosComp="2"/></RInfoCob>' >"$q/RInfoCob.xml"
"$cli" --app-dir "$app" batch "$q" "$dir/units.csv" --out "$dir/warned" >/dev/null 2>"$dir/err" ||
    fail "warnings must not stop the batch: $(cat "$dir/err")"
[ "$(grep -c "\[port-range\]" "$dir/err")" -eq 1 ] || fail "port warning once: $(cat "$dir/err")"
[ "$(grep -c "\[duplicate-register\]" "$dir/err")" -eq 1 ] || fail "register warning once: $(cat "$dir/err")"
[ -e "$dir/warned/manifest.csv" ] || fail "the batch with warnings writes its manifest"

rm "$p/pargen.xml"
"$cli" --app-dir "$app" batch "$p" "$dir/units.csv" --out "$dir/nopargen" >/dev/null 2>"$dir/err"
[ $? -eq 1 ] || fail "a project without settings must exit 1"
grep -q "has no pargen.xml" "$dir/err" || fail "no settings message: $(cat "$dir/err")"
[ -e "$dir/nopargen" ] && fail "nothing is written without settings"
echo "cli batch: ok"
