#!/bin/sh
# cravent-cli diff: two configurations compared as the device stores them, build stamp left
# out; exit 0 equal, 1 different, 2 wrong use or unreadable input; JSON for scripts.
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/master.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
app="$dir/app"
a="$dir/A"
mkdir -p "$app/MASTER" "$a/bin"
master "$app/MASTER/QF40231.sx"
settings() { # IPB4 Port
    printf '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="10" IPB2="0" IPB3="0" IPB4="%s"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>%s</Port></GeneralParameter>' "$1" "$2"
}
settings 20 502 >"$a/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="A"/><row CobID="0x182" Dimensin="8" Mnemonic="B"/></COBID>' >"$a/RCobDef.xml"
printf '%s' '<RInfoCob><row Index="1" NrPdo="1" PosComp="18"/></RInfoCob>' >"$a/RInfoCob.xml"
SOURCE_DATE_EPOCH=1765291072 "$cli" --app-dir "$app" update "$a" >/dev/null || fail "update A"

# A project, its bank folder and its firmware are one configuration, whatever the stamp.
"$cli" diff "$a" "$a/New_QF40231.sx" >"$dir/out"; [ $? -eq 0 ] || fail "project vs firmware: $(cat "$dir/out")"
[ -s "$dir/out" ] && fail "equal inputs print nothing"
SOURCE_DATE_EPOCH=1000000000 "$cli" build "$a" || fail "rebuild with another stamp"
"$cli" diff "$a/bin" "$a/New_QF40231.sx"; [ $? -eq 0 ] || fail "the stamp is left out"

# B: another address, a port cut to 16 bits, a frame changed, one added, the map row removed.
b="$dir/B"
mkdir -p "$b"
settings 21 70000 >"$b/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="A"/><row CobID="0x183" Dimensin="4" Mnemonic="B"/><row CobID="0x7FF" Dimensin="1" Mnemonic="C"/></COBID>' >"$b/RCobDef.xml"
"$cli" diff "$a/New_QF40231.sx" "$b" >"$dir/out"; [ $? -eq 1 ] || fail "different inputs must exit 1"
printf '%s\n' "IP address: 10.0.0.20 -> 10.0.0.21" "Modbus TCP port: 502 -> 4464" \
    "received frame 2 changed: COB-ID 0x182, 8 data bytes -> COB-ID 0x183, 4 data bytes" \
    "received frame 3 added: COB-ID 0x7FF, 1 data bytes" \
    "receive register row 1 removed: register 1, frame 1, high B1, low B2" >"$dir/expected"
cmp -s "$dir/out" "$dir/expected" || fail "diff text: $(cat "$dir/out")"
"$cli" diff "$a" "$b" --json >"$dir/out"; [ $? -eq 1 ] || fail "--json exit"
python3 - "$dir/out" <<'PY' || fail "diff JSON: $(cat "$dir/out")"
import json, sys
d = json.load(open(sys.argv[1]))
assert d["equal"] is False
assert d["settings"] == [{"field": "ip", "before": "10.0.0.20", "after": "10.0.0.21"},
                         {"field": "port", "before": "502", "after": "4464"}], d["settings"]
assert d["receivedFrames"] == [
    {"number": 2, "change": "changed", "before": {"cobId": "0x182", "length": 8},
     "after": {"cobId": "0x183", "length": 4}},
    {"number": 3, "change": "added", "before": None, "after": {"cobId": "0x7FF", "length": 1}}]
assert d["receiveRegisters"] == [{"number": 1, "change": "removed",
                                  "before": {"index": 1, "nrPdo": 1, "posComp": 18}, "after": None}]
assert d["transmittedFrames"] == [] and d["transmitRegisters"] == []
PY
"$cli" diff "$a" "$a" --json >"$dir/out"; [ $? -eq 0 ] || fail "equal --json exit"
python3 -c 'import json,sys; assert json.load(open(sys.argv[1]))["equal"] is True' "$dir/out" || fail "equal JSON"

# Trouble is 2, as with diff(1).
"$cli" diff "$a" "$dir/none" 2>"$dir/err"; [ $? -eq 2 ] || fail "a missing input must exit 2"
grep -qF "\"$dir/none\" not found." "$dir/err" || fail "missing input message: $(cat "$dir/err")"
printf 'S2\r\n' >"$dir/bad.sx"
"$cli" diff "$dir/bad.sx" "$a" 2>/dev/null; [ $? -eq 2 ] || fail "an unreadable firmware must exit 2"
"$cli" diff "$a" >/dev/null 2>&1; [ $? -eq 2 ] || fail "one input must exit 2"
"$cli" diff "$a" "$a" "$a" >/dev/null 2>&1; [ $? -eq 2 ] || fail "three inputs must exit 2"
echo "cli diff: ok"
