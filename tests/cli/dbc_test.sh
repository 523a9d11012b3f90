#!/bin/sh
# cravent-cli import of a CAN database: frames by node and direction, the map byte by byte, the
# refusals that save nothing, and files that are no CAN database at all.
set -u
cli="$1"
fixtures="$2"
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
p="$dir/P1"
mkdir -p "$p/bin"

# Frames of the gateway's node: it receives EngineStatus and Dashboard; Loopback it sends.
"$cli" import "$p" rx-frames "$fixtures/gateway.dbc" --node GW >"$dir/out" 2>"$dir/err" ||
    fail "import rx-frames: $(cat "$dir/err")"
[ -s "$dir/out" ] || [ -s "$dir/err" ] && fail "a clean import prints nothing: $(cat "$dir/out" "$dir/err")"
[ "$(cat "$p/RCobDef.xml")" = '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="EngineStatus"/><row CobID="0x281" Dimensin="4" Mnemonic="Dashboard"/></COBID>' ] ||
    fail "RCobDef.xml: $(cat "$p/RCobDef.xml")"
"$cli" import "$p" tx-frames "$fixtures/gateway.dbc" --node GW || fail "import tx-frames"
[ "$(cat "$p/TCobDef.xml")" = '<COBID><row CobID="0x400" Dimensin="8" Mnemonic="GatewayCmd"/><row CobID="0x600" Dimensin="2" Mnemonic="GatewayStatus"/><row CobID="0x500" Dimensin="1" Mnemonic="Loopback"/></COBID>' ] ||
    fail "TCobDef.xml: $(cat "$p/TCobDef.xml")"

# The map: Rpm 0|16 little-endian high B2 low B1 = 33, CoolantTemp B3 = 3, OilPressure 31|16
# big-endian high B4 low B5 = 69, Load 63|8 B8 = 8; Speed 7|16 big-endian high B1 low B2 = 18,
# Fuel B3 = 3. The 4-, 12-, 1- and 7-bit signals are named in the note.
"$cli" import "$p" rx-map "$fixtures/gateway.dbc" --node GW >"$dir/out" 2>"$dir/err" || fail "import rx-map: $(cat "$dir/err")"
[ "$(cat "$p/RInfoCob.xml")" = '<RInfoCob><row Index="0" NrPdo="1" PosComp="33"/><row Index="1" NrPdo="1" PosComp="3"/><row Index="2" NrPdo="1" PosComp="69"/><row Index="3" NrPdo="1" PosComp="8"/><row Index="4" NrPdo="2" PosComp="18"/><row Index="5" NrPdo="2" PosComp="3"/></RInfoCob>' ] ||
    fail "RInfoCob.xml: $(cat "$p/RInfoCob.xml")"
for line in "6 registers were proposed, 0 to 5." "  EngineStatus.Flags: 4 bits: shorter than a byte" \
    "  EngineStatus.Throttle: 12 bits: not a whole number of bytes" "  Dashboard.Lamp: 1 bit: shorter than a byte"; do
    grep -qxF "$line" "$dir/err" || fail "note lacks '$line': $(cat "$dir/err")"
done
grep -qF "A 32-bit signal can be carried in two registers by hand" "$dir/err" || fail "32-bit hint"
# Again: the registers follow the highest index; --first-register sets the first.
"$cli" import "$p" rx-map "$fixtures/gateway.dbc" --node GW 2>/dev/null || fail "second rx-map"
grep -qF '<row Index="6" NrPdo="1" PosComp="33"/>' "$p/RInfoCob.xml" || fail "from 6: $(cat "$p/RInfoCob.xml")"
grep -qF 'Index="0"' "$p/RInfoCob.xml" && fail "the old map was not replaced"
"$cli" import "$p" rx-map "$fixtures/gateway.dbc" --node GW --first-register 0x100 2>/dev/null || fail "--first-register"
grep -qF '<row Index="256" NrPdo="1" PosComp="33"/>' "$p/RInfoCob.xml" || fail "from 256: $(cat "$p/RInfoCob.xml")"
# A map that cannot be read whole gives no next register; --first-register still replaces it.
printf '<RInfoCob><row Index=' >"$p/RInfoCob.xml"
"$cli" import "$p" rx-map "$fixtures/gateway.dbc" --node GW >/dev/null 2>"$dir/err"; rc=$?
[ $rc -eq 1 ] || fail "unreadable map must exit 1, not $rc"
grep -qF "The registers cannot follow a map that was not read whole; give --first-register N" "$dir/err" || fail "unreadable map: $(cat "$dir/err")"
[ "$(cat "$p/RInfoCob.xml")" = '<RInfoCob><row Index=' ] || fail "unreadable map replaced"
"$cli" import "$p" rx-map "$fixtures/gateway.dbc" --node GW --first-register 0x100 2>/dev/null || fail "--first-register over an unreadable map"
grep -qF '<row Index="256" NrPdo="1" PosComp="33"/>' "$p/RInfoCob.xml" || fail "from 256 again: $(cat "$p/RInfoCob.xml")"
# Transmit map: the multiplexor and the counter; multiplexed and 32-bit signals are left out.
"$cli" import "$p" tx-map "$fixtures/gateway.dbc" --node GW 2>"$dir/err" || fail "tx-map: $(cat "$dir/err")"
[ "$(cat "$p/TInfoCob.xml")" = '<TInfoCob><row Index="0" NrPdo="1" PosComp="1"/><row Index="1" NrPdo="1" PosComp="8"/><row Index="2" NrPdo="2" PosComp="1"/><row Index="3" NrPdo="2" PosComp="2"/><row Index="4" NrPdo="3" PosComp="1"/></TInfoCob>' ] ||
    fail "TInfoCob.xml: $(cat "$p/TInfoCob.xml")"
grep -qxF "  GatewayCmd.SetpointA: multiplexed (m0): the frame carries it only with that multiplexor value" "$dir/err" ||
    fail "multiplexed note: $(cat "$dir/err")"

# 29-bit frames in a 2.0B project.
q="$dir/P2"
mkdir "$q"
printf '%s' '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>1</CANType><ADD_IP IPB1="192" IPB2="168" IPB3="0" IPB4="30"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>502</Port></GeneralParameter>' >"$q/pargen.xml"
# The 11-bit message is left out with its reason: the 2.0B gateway takes extended frames.
"$cli" import "$q" rx-frames "$fixtures/extended.dbc" --node GW 2>"$dir/err" || fail "2.0B frames: $(cat "$dir/err")"
[ "$(cat "$q/RCobDef.xml")" = '<COBID><row CobID="0x18FEF1FE" Dimensin="8" Mnemonic="CruiseControl"/><row CobID="0x101" Dimensin="4" Mnemonic="PackVoltage"/></COBID>' ] ||
    fail "2.0B RCobDef.xml: $(cat "$q/RCobDef.xml")"
[ "$(cat "$dir/err")" = "1 message does not fit this project and was left out:
  StandardStatus (0x100): an 11-bit identifier in a CAN 2.0B project, whose gateway takes extended frames" ] ||
    fail "2.0B left out: $(cat "$dir/err")"
"$cli" import "$q" rx-map "$fixtures/extended.dbc" --node GW 2>/dev/null || fail "2.0B map"
[ "$(cat "$q/RInfoCob.xml")" = '<RInfoCob><row Index="0" NrPdo="1" PosComp="50"/><row Index="1" NrPdo="2" PosComp="18"/><row Index="2" NrPdo="2" PosComp="52"/></RInfoCob>' ] ||
    fail "2.0B RInfoCob.xml: $(cat "$q/RInfoCob.xml")"
# Identifiers with bits 29-30 set never become frames; a name XML cannot hold neither. Old Mac
# line ends, and the node list indented on the lines after BU_:, read as any other file.
printf 'BU_:\r    GW\r    ECU\rBO_ 4294967295 AllBits: 8 ECU\r SG_ S : 0|8@1+ (1,0) [0|1] "" GW\rBO_ 3221225473 Bit30: 8 ECU\r SG_ S : 0|8@1+ (1,0) [0|1] "" GW\rBO_ 2566844926 Fine: 8 ECU\r SG_ S : 0|8@1+ (1,0) [0|1] "" GW\rBO_ 2566844927 Odd\357\277\277: 8 ECU\r SG_ S : 0|8@1+ (1,0) [0|1] "" GW\r' >"$dir/odd.dbc"
"$cli" import "$q" rx-frames "$dir/odd.dbc" --node GW 2>"$dir/err" || fail "odd frames: $(cat "$dir/err")"
[ "$(cat "$q/RCobDef.xml")" = '<COBID><row CobID="0x18FEF1FE" Dimensin="8" Mnemonic="Fine"/></COBID>' ] ||
    fail "odd RCobDef.xml: $(cat "$q/RCobDef.xml")"
for line in "3 messages do not fit this project and were left out:" \
    "  AllBits (0x7FFFFFFF, 29-bit): the written identifier 0xFFFFFFFF sets bits 29-30, which a 29-bit identifier has clear" \
    "  Bit30 (0x40000001, 29-bit): the written identifier 0xC0000001 sets bits 29-30, which a 29-bit identifier has clear" \
    "  $(printf 'Odd\357\277\277') (0x18FEF1FF, 29-bit), line 10: its name holds U+FFFF, a character that XML files cannot hold"; do
    grep -qxF "$line" "$dir/err" || fail "odd note lacks '$line': $(cat "$dir/err")"
done
xmllint --noout "$q/RCobDef.xml" || fail "xmllint refuses RCobDef.xml"

# More than 250 messages: refused unless --keep-first.
gen="$dir/many.dbc"
i=1
{ echo "BU_: GW"; while [ $i -le 260 ]; do echo "BO_ $i M$i: 8 GW"; i=$((i + 1)); done; } >"$gen"
r="$dir/P3"
mkdir "$r"
"$cli" import "$r" tx-frames "$gen" 2>"$dir/err"; rc=$?
[ $rc -eq 1 ] || fail "260 messages must exit 1, not $rc"
grep -qF "260 messages were selected and a frame list holds at most 250; nothing was saved (--keep-first takes the first 250)" "$dir/err" ||
    fail "260 message: $(cat "$dir/err")"
[ -e "$r/TCobDef.xml" ] && fail "260 messages saved something"
"$cli" import "$r" tx-frames "$gen" --keep-first 2>"$dir/err" || fail "--keep-first"
[ "$(grep -o '<row ' "$r/TCobDef.xml" | wc -l)" -eq 250 ] || fail "--keep-first kept $(grep -o '<row ' "$r/TCobDef.xml" | wc -l)"
grep -qF "the 10 messages after them were left out." "$dir/err" || fail "left-out note: $(cat "$dir/err")"

# Refusals save nothing.
printf '{{{{{{{{{{ not a CAN database\n' >"$dir/garbage.dbc"
head -c 4096 /bin/sh >"$dir/binary.dbc"
awk 'BEGIN { s = ""; for (i = 0; i < 10000; i++) s = s "{"; print s; for (i = 0; i < 10000; i++) print "{" }' >"$dir/braces.dbc"
truncate -s 100M "$dir/huge.dbc"
printf 'BU_: GW\nBO_ 1 A: 8 GW\n' >"$dir/quiet.dbc"
printf 'BU_: GW\nBO_ 291 FdBulk: 64 GW\n' >"$dir/fd.dbc"
find "$p" -type f -exec md5sum {} + | sort >"$dir/before"
expect_refused() { # table file message [options...]
    table=$1; file=$2; message=$3; shift 3
    "$cli" import "$p" "$table" "$file" "$@" >/dev/null 2>"$dir/err"; rc=$?
    [ $rc -eq 1 ] || fail "import $table $file $* must exit 1, not $rc: $(cat "$dir/err")"
    grep -qF "$message" "$dir/err" || fail "import $table $file $*: $(cat "$dir/err")"
    find "$p" -type f -exec md5sum {} + | sort | cmp -s - "$dir/before" || fail "import $table $file $* changed the project"
}
expect_refused tx-frames "$fixtures/extended.dbc" "GatewayAck (0x200, 29-bit): a 29-bit identifier in a CAN 2.0A project" --node GW
expect_refused tx-frames "$dir/fd.dbc" "FdBulk (0x123): DLC 64 is above 8 (a CAN FD frame)"
expect_refused rx-frames "$fixtures/gateway.dbc" 'Node "Gateway" is not among the nodes of the CAN database (GW, ECU, DASH); nothing was saved' --node Gateway
expect_refused rx-frames "$dir/quiet.dbc" 'Node "GW" receives no message that it does not transmit' --node GW
expect_refused rx-map "$fixtures/extended.dbc" "No signal became a register; nothing was saved" --node GW
expect_refused rx-frames "$dir/garbage.dbc" "holds no CAN message; nothing was saved"
expect_refused rx-frames "$dir/braces.dbc" "holds no CAN message; nothing was saved"
expect_refused rx-frames "$dir/binary.dbc" "It holds a NUL byte at offset"
expect_refused rx-map "$dir/huge.dbc" "It holds 104857600 bytes; a CAN database is read up to 67108864 bytes"
expect_refused rx-frames "$dir/missing.dbc" "Cannot open file"
# The nested braces are skipped statement by statement, each one named.
"$cli" import "$p" rx-frames "$dir/braces.dbc" 2>"$dir/err"
grep -qxF "$dir/braces.dbc: Line 1, column 1: unexpected '{'; statement skipped" "$dir/err" || fail "braces warning: $(head -3 "$dir/err")"
grep -qxF "$dir/braces.dbc: 9901 more statements skipped" "$dir/err" || fail "braces count: $(tail -3 "$dir/err")"

# Wrong usage.
for args in "rx-frames $fixtures/gateway.dbc --node" "rx-frames $fixtures/gateway.dbc --first-register 3" \
    "rx-map $fixtures/gateway.dbc --keep-first" "rx-map $fixtures/gateway.dbc --first-register x" \
    "rx-frames $fixtures/gateway.dbc --bogus" "frames $fixtures/gateway.dbc"; do
    # shellcheck disable=SC2086
    "$cli" import "$p" $args >/dev/null 2>"$dir/err"; rc=$?
    [ $rc -eq 2 ] || fail "import $args must exit 2, not $rc"
    grep -qF "Usage: cravent-cli import PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map WORKBOOK|FILE.dbc" "$dir/err" || fail "usage text: $(cat "$dir/err")"
done

# What the reader finds, for scripts.
"$cli" dbc "$fixtures/cp1252.dbc" --json >"$dir/json" || fail "dbc --json"
python3 - "$dir/json" <<'EOF' || fail "dbc --json content"
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
assert d["nodes"] == ["GW", "Motor"], d["nodes"]
m = d["messages"][0]
assert (m["id"], m["name"], m["dlc"], m["transmitter"]) == (400, "Température", 2, "Motor"), m
assert m["comment"] == "Températures du moteur, € coût", m["comment"]
assert m["signals"][0]["unit"] == "°C"
assert d["warnings"] == [] and d["warningCount"] == 0
EOF
"$cli" dbc "$fixtures/gateway.dbc" >"$dir/out" || fail "dbc"
grep -qxF "0x181 EngineStatus, DLC 8, from ECU, 6 signals" "$dir/out" || fail "dbc text: $(cat "$dir/out")"
"$cli" --help | grep -qF "import PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map WORKBOOK|FILE.dbc [--keep-first] [--allow-empty] [--node NAME]" || fail "--help import"
"$cli" --help | grep -qF "dbc FILE.dbc [--json]" || fail "--help dbc"
echo "PASS"
