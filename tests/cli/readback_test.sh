#!/bin/sh
# cravent-cli inspect and decode: the configuration of a firmware or a bank folder in words and
# as JSON, and the project recovered from it; exit 1 for an unreadable or inconsistent image,
# 2 for wrong use.
set -u
cli="$1"
fail() { echo "FAIL: $*"; exit 1; }
. "$(dirname "$0")/master.sh"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
app="$dir/app"
p="$dir/P1"
mkdir -p "$app/MASTER" "$p/bin"
master "$app/MASTER/QF40231.sx" code
printf '%s' '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="192" IPB2="168" IPB3="1" IPB4="20"/><SUBNET SMB1="255" SMB2="255" SMB3="255" SMB4="0"/><Port>502</Port></GeneralParameter>' >"$p/pargen.xml"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/><row CobID="385" Dimensin="2" Mnemonic="Again"/><row CobID="0x7FF" Dimensin="1" Mnemonic="Top"/></COBID>' >"$p/RCobDef.xml"
printf '%s' '<COBID><row CobID="0x201" Dimensin="4" Mnemonic="Out"/></COBID>' >"$p/TCobDef.xml"
printf '%s' '<RInfoCob><row Index="300" NrPdo="1" PosComp="0x12"/><row Index="301" NrPdo="3" PosComp="8"/></RInfoCob>' >"$p/RInfoCob.xml"
printf '%s' '<TInfoCob><row Index="40" NrPdo="1" PosComp="33"/></TInfoCob>' >"$p/TInfoCob.xml"
export SOURCE_DATE_EPOCH=1765291072 # 2025-12-09 14:37:52 UTC
"$cli" --app-dir "$app" update "$p" >"$dir/out" 2>"$dir/err" || fail "update: $(cat "$dir/err")"
[ "$(sed -n 2p "$dir/out")" = "192.168.1.20:502, mask 255.255.255.0, 500 kbit/s, CAN 2.0A, 3 received / 1 transmitted frames, 2 / 1 registers, built 2025-12-09 14:37:52" ] ||
    fail "update summary: $(cat "$dir/out")"
fw="$p/New_QF40231.sx"

# inspect in words: settings, stamp, frames in hex, register rows with B1..B8.
"$cli" inspect "$fw" >"$dir/out" 2>"$dir/err"; [ $? -eq 0 ] || fail "inspect: $(cat "$dir/err")"
for line in "  CAN bit rate: 500 kbit/s (code 7)" "  CAN type: CAN 2.0A (11-bit COB-IDs)" \
            "  IP address: 192.168.1.20" "  Subnet mask: 255.255.255.0" "  Modbus TCP port: 502" \
            "  2025-12-09 14:37:52" "  1. COB-ID 0x181, 8 data bytes" "  3. COB-ID 0x7FF, 1 data bytes" \
            "  1. COB-ID 0x201, 4 data bytes" "  register 300: frame 1, high B1, low B2" \
            "  register 301: frame 3, high none, low B8" "  register 40: frame 1, high B2, low B1"; do
    grep -qxF "$line" "$dir/out" || fail "inspect lacks '$line': $(cat "$dir/out")"
done
grep -q Inconsistenc "$dir/out" && fail "a sound image has no inconsistency"
[ "$(head -n 1 "$dir/out")" = "Settings" ] || fail "settings come first"

# --json: the same as one object; the bank folder gives the same configuration.
"$cli" inspect "$fw" --json >"$dir/fw.json" || fail "inspect --json"
"$cli" inspect "$p/bin" --json >"$dir/bin.json" || fail "inspect bin --json"
python3 - "$dir/fw.json" "$dir/bin.json" <<'PY' || fail "JSON"
import json, sys
fw = json.load(open(sys.argv[1]))
bins = json.load(open(sys.argv[2]))
assert fw == bins, (fw, bins)
s = fw["settings"]
assert s == {"bitRateCode": 7, "kbitPerSecond": 500, "canType": 0, "can": "2.0A",
             "ip": "192.168.1.20", "mask": "255.255.255.0", "port": 502}, s
assert fw["counts"] == {"receivedFrames": 3, "transmittedFrames": 1,
                        "receiveRegisters": 2, "transmitRegisters": 1}, fw["counts"]
assert fw["built"]["date"] == "2025-12-09" and fw["built"]["time"] == "14:37:52", fw["built"]
assert [f["cobId"] for f in fw["receivedFrames"]] == ["0x181", "0x181", "0x7FF"]
assert fw["transmittedFrames"] == [{"number": 1, "cobId": "0x201", "length": 4}]
assert fw["receiveRegisters"][0] == {"index": 300, "nrPdo": 1, "posComp": 18, "high": "B1", "low": "B2"}
assert fw["inconsistencies"] == []
PY

# An inconsistent image: a presence bit without a frame (COB-ID 0).
mkdir -p "$dir/bad"
cp "$p/bin/bank1.bin" "$p/bin/bank2.bin" "$dir/bad/"
printf '\001' | dd of="$dir/bad/bank1.bin" bs=1 seek=4096 conv=notrunc 2>/dev/null
"$cli" inspect "$dir/bad" >"$dir/out" 2>"$dir/err"; [ $? -eq 1 ] || fail "inconsistent image must exit 1"
grep -qxF "  The presence bit of COB-ID 0x0 is set, but no receive frame has this COB-ID." "$dir/out" ||
    fail "inconsistency: $(cat "$dir/out")"
"$cli" inspect "$dir/bad" --json >"$dir/out"; [ $? -eq 1 ] || fail "inconsistent --json must exit 1"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert len(d["inconsistencies"]) == 1' "$dir/out" ||
    fail "inconsistency in JSON"

# Unreadable inputs: exit 1 with the reason; a hole names the first missing address.
grep -v '^S2243981' "$fw" >"$dir/hole.sx"
"$cli" inspect "$dir/hole.sx" >"$dir/out" 2>"$dir/err"; [ $? -eq 1 ] || fail "a hole must exit 1"
[ "$(cat "$dir/err")" = "\"$dir/hole.sx\" lacks address 0x398100 of the bank 2 window 0x398000-0x39BFFF." ] ||
    fail "hole message: $(cat "$dir/err")"
sed '3s/..\r$/00\r/' "$fw" >"$dir/sum.sx"
cmp -s "$dir/sum.sx" "$fw" && sed -i '3s/..\r$/FF\r/' "$dir/sum.sx"
"$cli" inspect "$dir/sum.sx" 2>"$dir/err" >/dev/null; [ $? -eq 1 ] || fail "a wrong checksum must exit 1"
grep -q "^Line 3 of .* has a wrong checksum.$" "$dir/err" || fail "checksum message: $(cat "$dir/err")"
"$cli" inspect "$dir/none.sx" 2>"$dir/err" >/dev/null; [ $? -eq 1 ] || fail "a missing file must exit 1"
"$cli" inspect "$app" 2>"$dir/err" >/dev/null; [ $? -eq 1 ] || fail "a folder without banks must exit 1"
# A bank file that is there but cannot be looked at (a loop of links) is named with the reason,
# never taken for a folder without banks; neither is a FIFO taken for a missing input.
mkdir -p "$dir/loop"
ln -s bank1.bin "$dir/loop/bank1.bin"
"$cli" inspect "$dir/loop" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "an unreadable bank file must exit 1"
[ "$(cat "$dir/err")" = "Cannot read file \"$dir/loop/bank1.bin\". Too many levels of symbolic links" ] ||
    fail "unreadable bank file message: $(cat "$dir/err")"
mkfifo "$dir/fifo"
"$cli" inspect "$dir/fifo" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "a FIFO must exit 1"
[ "$(cat "$dir/err")" = "\"$dir/fifo\" is neither a file nor a folder." ] || fail "FIFO message: $(cat "$dir/err")"
"$cli" inspect >/dev/null 2>&1; [ $? -eq 2 ] || fail "inspect without input must exit 2"
"$cli" inspect "$fw" "$fw" >/dev/null 2>&1; [ $? -eq 2 ] || fail "inspect of two inputs must exit 2"
"$cli" inspect "$fw" --xml >/dev/null 2>&1; [ $? -eq 2 ] || fail "an unknown option must exit 2"

# decode: the project back; building it gives the same banks.
"$cli" decode "$fw" "$dir/D" >"$dir/out" 2>"$dir/err" || fail "decode: $(cat "$dir/err")"
[ -d "$dir/D/bin" ] || fail "decode makes an empty bin folder"
[ -z "$(ls "$dir/D/bin")" ] || fail "the bin folder is empty"
grep -q 'CobID="0x181" Dimensin="8" Mnemonic=""' "$dir/D/RCobDef.xml" || fail "frames: $(cat "$dir/D/RCobDef.xml")"
"$cli" build "$dir/D" || fail "build decoded"
for n in 1 2 3 4 5; do
    cmp -s "$p/bin/bank$n.bin" "$dir/D/bin/bank$n.bin" || fail "bank$n.bin of the decoded project differs"
done
"$cli" decode "$p/bin" "$dir/E" >/dev/null || fail "decode of a bank folder"
cmp -s "$dir/D/RCobDef.xml" "$dir/E/RCobDef.xml" || fail "bank folder and firmware decode alike"
cp "$dir/D/pargen.xml" "$dir/keep"
"$cli" decode "$fw" "$dir/D" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "decode into a project must exit 1"
grep -q "already holds the project file" "$dir/err" || fail "refusal: $(cat "$dir/err")"
cmp -s "$dir/keep" "$dir/D/pargen.xml" || fail "the refused folder is untouched"
# A project file that cannot be looked at is never written over.
mkdir -p "$dir/G"
ln -s pargen.xml "$dir/G/pargen.xml"
"$cli" decode "$fw" "$dir/G" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "decode over an unreadable file must exit 1"
[ "$(cat "$dir/err")" = "Cannot read file \"$dir/G/pargen.xml\". Too many levels of symbolic links" ] ||
    fail "unreadable project file message: $(cat "$dir/err")"
[ -L "$dir/G/pargen.xml" ] && [ "$(ls "$dir/G")" = "pargen.xml" ] || fail "decode wrote into the folder: $(ls -l "$dir/G")"

# Without settings the image holds no counts.
mkdir -p "$dir/N/bin"
printf '%s' '<COBID><row CobID="0x181" Dimensin="8" Mnemonic="Speed"/></COBID>' >"$dir/N/RCobDef.xml"
"$cli" build "$dir/N" || fail "build without settings"
"$cli" decode "$dir/N/bin" "$dir/F" >/dev/null 2>"$dir/err"; [ $? -eq 1 ] || fail "decode without settings must exit 1"
grep -q "the frames and registers cannot be recovered" "$dir/err" || fail "no-settings message: $(cat "$dir/err")"
[ -e "$dir/F" ] && fail "nothing is written without settings"
"$cli" inspect "$dir/N/bin" >"$dir/out" || fail "inspect without settings is no inconsistency"
grep -q "frame and register counts are unknown" "$dir/out" || fail "inspect says why: $(cat "$dir/out")"
"$cli" decode "$fw" >/dev/null 2>&1; [ $? -eq 2 ] || fail "decode without folder must exit 2"
# A hostile name reaches a terminal as text: its escape sequence is shown, not run.
command -v script >/dev/null || fail "script missing (package bsdutils)"
evil=$(printf '%s/x\033]0;owned\007\033[2J' "$dir")
script -qec "\"$cli\" inspect '$evil'" /dev/null >"$dir/tty" 2>&1
grep -qF 'x\x1B]0;owned\x07\x1B[2J" not found.' "$dir/tty" || fail "terminal text: $(od -c "$dir/tty" | head)"
! grep -q "$(printf '\033')" "$dir/tty" || fail "an escape reached the terminal"
"$cli" inspect "$evil" 2>"$dir/err"
grep -q "$(printf '\033\\[2J')" "$dir/err" || fail "a pipe gets the name's bytes as they are"
echo "cli inspect/decode: ok"
