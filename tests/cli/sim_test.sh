#!/bin/bash
# cravent-sim end to end on loopback: frames in as candump lines, registers read by cravent-cli
# read and by mbpoll (an independent Modbus client), registers written by mbpoll coming out as
# frames. Both CAN layouts; duplicate COB-IDs, a frame shorter than a selected byte and an
# unknown COB-ID. Every simulator runs under timeout, so none outlives the test.
set -u
cli="$1"
sim="$2"
. "$(dirname "$0")/wait.sh"
fail() { echo "FAIL: $*"; [ -f "$dir/err" ] && cat "$dir/err"; exit 1; }
dir=$(mktemp -d)
simpid=""
cleanup() { [ -n "$simpid" ] && kill "$simpid" 2>/dev/null; exec 3>&- 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT


free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# project DIR CANTYPE RXFRAMES RXMAP TXFRAMES TXMAP
project() {
    mkdir -p "$1/bin"
    printf '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>%s</CANType><ADD_IP IPB1="127" IPB2="0" IPB3="0" IPB4="1"/><SUBNET SMB1="255" SMB2="0" SMB3="0" SMB4="0"/><Port>502</Port></GeneralParameter>' "$2" >"$1/pargen.xml"
    printf '<COBID>%s</COBID>' "$3" >"$1/RCobDef.xml"
    printf '<RInfoCob>%s</RInfoCob>' "$4" >"$1/RInfoCob.xml"
    printf '<COBID>%s</COBID>' "$5" >"$1/TCobDef.xml"
    printf '<TInfoCob>%s</TInfoCob>' "$6" >"$1/TInfoCob.xml"
}

# start CONFIG [OPTION...]: the simulator on a fresh port, candump lines from fd 3
start() {
    port=$(free_port)
    rm -f "$dir/in"; mkfifo "$dir/in"
    # LeakSanitizer's stop-the-world at the simulator's exit was seen to hang once in a
    # sanitizer build (its tracer waiting for a stop that never came), so the simulators of this
    # test leave leaks to the unit tests and fuzz targets of the model; -k kills a hung one.
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
        timeout -k 5 60 "$sim" "$1" --port "$port" "${@:2}" <"$dir/in" >"$dir/out" 2>"$dir/err" &
    simpid=$!
    exec 3>"$dir/in"
    wait_until "the simulator did not start" grep -q "serving Modbus TCP" "$dir/err"
}

stop() {
    kill -TERM "$simpid"; wait "$simpid"; local rc=$?; simpid=""
    exec 3>&-
    [ $rc -eq 0 ] || fail "the simulator must stop cleanly on SIGTERM (exit $rc)"
}

# mbpoll_read FIRST COUNT: "index=hex" per register, through function code 3
mbpoll_read() {
    mbpoll -m tcp -p "$port" -a 1 -t 4:hex -0 -1 -r "$1" -c "$2" 127.0.0.1 |
        sed -n 's/^\[\([0-9]*\)\]:[[:space:]]*\(0x[0-9A-Fa-f]*\).*/\1=\2/p' | tr 'a-f' 'A-F' | tr 'X' 'x'
}

for layout in 0 1; do
    if [ $layout -eq 0 ]; then a=181; b=182; c=7FF; wide=""; tx=201; else a=00012345; b=1ABCDEF0; c=00000999; wide=1; tx=18FF0001; fi
    p="$dir/P$layout"
    # Frame 1 and frame 3 share a COB-ID: the device reads the later one.
    project "$p" $layout \
        "<row CobID=\"0x$a\" Dimensin=\"8\" Mnemonic=\"\"/><row CobID=\"0x$b\" Dimensin=\"4\" Mnemonic=\"\"/><row CobID=\"0x$a\" Dimensin=\"8\" Mnemonic=\"\"/>" \
        '<row Index="10" NrPdo="1" PosComp="18"/><row Index="11" NrPdo="2" PosComp="120"/><row Index="12" NrPdo="2" PosComp="3"/><row Index="13" NrPdo="3" PosComp="33"/>' \
        "<row CobID=\"0x$tx\" Dimensin=\"3\" Mnemonic=\"\"/>" \
        '<row Index="100" NrPdo="1" PosComp="18"/><row Index="101" NrPdo="1" PosComp="3"/>'
    # One layout from the bin folder an update wrote, the other from the project files.
    if [ $layout -eq 0 ]; then
        "$cli" build "$p" || fail "build"
        start "$p/bin"
    else
        start "$p"
    fi

    printf '(1702305120.000000) can0 %s#0102030405060708\n%s#0A0B0C\n%s#FF\nnot a frame\n' "$a" "$b" "$c" >&3
    # The simulator names each line that is no frame as it reads it, and applies the frames read
    # with it after that. A second such line, sent once the first is named, is read only after
    # those frames were applied: once it is named too, the registers hold them.
    wait_until "layout $layout: the simulator did not read line 4" grep -q "standard input line 4: " "$dir/err"
    echo "still not a frame" >&3
    wait_until "layout $layout: the simulator did not read line 5" grep -q "standard input line 5: " "$dir/err"
    # Register 10 belongs to frame 1, which is shadowed by frame 3: only 13 changes.
    got=$(mbpoll_read 10 4 | tr '\n' ' ')
    [ "$got" = "10=0x0000 11=0x0000 12=0x000C 13=0x0201 " ] || fail "layout $layout: mbpoll read '$got'"

    # A client that connected and says nothing holds up no other.
    python3 -c 'import socket, sys, time; s = socket.create_connection(("127.0.0.1", int(sys.argv[1]))); print("connected", flush=True); time.sleep(3)' "$port" >"$dir/idle" &
    idle=$!
    wait_until "the idle client did not connect" grep -q connected "$dir/idle"
    "$cli" read "$p" --host 127.0.0.1 --port "$port" --json >"$dir/read.json" || fail "cravent-cli read"
    python3 - "$dir/read.json" "$layout" <<'PY' || fail "layout $layout: cravent-cli read JSON"
import json, sys
doc = json.load(open(sys.argv[1]))
rows = {(r["direction"], r["register"]): r for r in doc["registers"]}
assert doc["host"] == "127.0.0.1", doc
assert rows[("receive", 12)]["value"] == 0x0C and rows[("receive", 12)]["low"] == "B3"
assert rows[("receive", 13)]["value"] == 0x0201 and rows[("receive", 13)]["high"] == "B2"
assert rows[("receive", 11)]["value"] == 0, "B7/B8 of a 3-byte frame read 0"
assert rows[("transmit", 100)]["frame"] == 1
assert len(doc["registers"]) == 6
PY
    kill $idle 2>/dev/null; wait $idle 2>/dev/null
    "$cli" read "$p" --host 127.0.0.1 --port "$port" | grep -q "register    13 (0x000D)  frame   3 0x$(echo $a | sed 's/^0*//')" ||
        fail "layout $layout: text rows"

    # Writes: function code 16 over both registers sends frame 1 once, then 6 sends it again.
    mbpoll -m tcp -p "$port" -a 1 -0 -r 100 127.0.0.1 0x1234 0x0056 >/dev/null || fail "mbpoll write 16"
    mbpoll -m tcp -p "$port" -a 1 -0 -r 101 127.0.0.1 0x0078 >/dev/null || fail "mbpoll write 6"
    # Function codes 23 (write and read) and 22 (mask write) change registers too, and send the
    # frame as the others do.
    python3 - "$port" <<'PY' || fail "layout $layout: function codes 23 and 22"
import socket, struct, sys
s = socket.create_connection(("127.0.0.1", int(sys.argv[1])))
def exactly(size):
    data = b""
    while len(data) < size:
        part = s.recv(size - len(data))
        assert part, "connection closed"
        data += part
    return data
def ask(pdu):
    s.sendall(struct.pack(">HHHB", 9, 0, len(pdu) + 1, 1) + pdu)
    head = exactly(7)
    return exactly(struct.unpack(">HHHB", head)[2] - 1)
answer = ask(struct.pack(">BHHHHB", 23, 100, 1, 100, 1, 2) + b"\xAB\xCD")
assert answer == bytes([23, 2, 0xAB, 0xCD]), answer
answer = ask(struct.pack(">BHHH", 22, 101, 0x0000, 0x0099))
assert answer[0] == 22, answer
PY
    wait_until "layout $layout: fewer than four frames came out" sh -c '[ "$(wc -l <"$1")" -ge 4 ]' sh "$dir/out"
    digits=3; [ -n "$wide" ] && digits=8
    want1=$(printf "%0${digits}X#123456" "0x$tx"); want2=$(printf "%0${digits}X#123478" "0x$tx")
    want3=$(printf "%0${digits}X#ABCD78" "0x$tx"); want4=$(printf "%0${digits}X#ABCD99" "0x$tx")
    got=$(sed 's/^([0-9.]*) can0 //' "$dir/out" | tr '\n' ' ')
    [ "$got" = "$want1 $want2 $want3 $want4 " ] ||
        fail "layout $layout: frames out '$got', wanted '$want1 $want2 $want3 $want4'"

    stop
    grep -q "standard input line 4: .*passed over" "$dir/err" || fail "a bad line must be named"
    grep -qx "cravent-sim: frames in 3, frames out 4, requests served 7, unknown COB-IDs 1" "$dir/err" ||
        fail "layout $layout: counts"
done

# Usage and sources that hold no configuration.
"$sim" >/dev/null 2>&1; [ $? -eq 2 ] || fail "no CONFIG must exit 2"
"$sim" "$dir/none" 2>"$dir/err2"; [ $? -eq 1 ] || fail "a missing CONFIG must exit 1"
"$sim" --help | grep -q "model" || fail "--help must say it is a model"
"$sim" "$dir/P0" --port 99999 >/dev/null 2>&1; [ $? -eq 2 ] || fail "a bad port must exit 2"
"$cli" read "$dir/P0" --host 127.0.0.1 --port "$(free_port)" 2>"$dir/err2"; [ $? -eq 1 ] || fail "no server must exit 1"
grep -q "^No answer from 127.0.0.1:" "$dir/err2" || fail "no server message: $(cat "$dir/err2")"
# --listen takes a numeric IPv4 or IPv6 address or localhost, and never looks a name up.
for listen in 'not an address' example.com localhost. 127.0.0.256 ''; do
    "$sim" "$dir/P0" --listen "$listen" >/dev/null 2>"$dir/err2"; rc=$?
    [ $rc -eq 2 ] || fail "--listen '$listen' must exit 2, not $rc"
    grep -qF "'$listen' is not an IP address" "$dir/err2" || fail "--listen '$listen': $(cat "$dir/err2")"
    grep -q "^Usage: cravent-sim CONFIG" "$dir/err2" || fail "--listen '$listen' without usage"
done
for listen in ::1 0.0.0.0 ::; do
    # Past the arguments, the missing configuration is what stops it.
    "$sim" "$dir/none" --listen "$listen" >/dev/null 2>&1; [ $? -eq 1 ] || fail "--listen $listen must be taken"
done
start "$dir/P0" --listen localhost
grep -q "serving Modbus TCP on 127.0.0.1:$port" "$dir/err" || fail "localhost: $(cat "$dir/err")"
"$cli" read "$dir/P0" --host 127.0.0.1 --port "$port" >/dev/null 2>"$dir/err2" || fail "read from --listen localhost: $(cat "$dir/err2")"
stop
echo "cli sim: ok"
