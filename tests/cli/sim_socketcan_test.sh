#!/bin/bash
# cravent-sim on a SocketCAN interface: a virtual CAN interface (vcan) inside a network
# namespace of the test's own. Kernels without CAN sockets get a clear refusal, then the rest
# is skipped.
set -u
cli="$1"
sim="$2"
. "$(dirname "$0")/wait.sh"
fail() { echo "FAIL: $*"; exit 1; }
dir=$(mktemp -d)
ns="cravent-sim-$$"
cleanup() { ip netns del "$ns" 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT

mkdir -p "$dir/P/bin"
printf '<GeneralParameter><BaudRateCAN>6</BaudRateCAN><CANType>0</CANType><ADD_IP IPB1="127" IPB2="0" IPB3="0" IPB4="1"/><SUBNET SMB1="255" SMB2="0" SMB3="0" SMB4="0"/><Port>1502</Port></GeneralParameter>' >"$dir/P/pargen.xml"
printf '<COBID><row CobID="0x181" Dimensin="2" Mnemonic=""/></COBID>' >"$dir/P/RCobDef.xml"
printf '<RInfoCob><row Index="1" NrPdo="1" PosComp="18"/></RInfoCob>' >"$dir/P/RInfoCob.xml"

if ! python3 -c 'import socket; socket.socket(socket.AF_CAN, socket.SOCK_RAW, socket.CAN_RAW)' 2>/dev/null; then
    timeout 10 "$sim" "$dir/P" --can socketcan:vcan0 --port 1 >/dev/null 2>"$dir/err" </dev/null
    [ $? -eq 1 ] || fail "without CAN sockets the simulator must exit 1"
    grep -q "This kernel has no CAN sockets" "$dir/err" || fail "message: $(cat "$dir/err")"
    echo "SKIP: this kernel has no CAN sockets (socket(AF_CAN) fails), so no vcan interface can be made"
    exit 77
fi

ip netns add "$ns" || fail "ip netns add"
ip -n "$ns" link set lo up
if ! ip -n "$ns" link add vcan0 type vcan 2>/dev/null; then
    echo "SKIP: this kernel has CAN sockets but no vcan interfaces"
    exit 77
fi
ip -n "$ns" link set vcan0 up
timeout 30 ip netns exec "$ns" "$sim" "$dir/P" --can socketcan:vcan0 --port 1502 2>"$dir/err" </dev/null &
pid=$!
wait_until "the simulator did not start" grep -q "serving Modbus TCP" "$dir/err"
ip netns exec "$ns" python3 -c '
import socket, struct
s = socket.socket(socket.AF_CAN, socket.SOCK_RAW, socket.CAN_RAW)
s.bind(("vcan0",))
s.send(struct.pack("=IB3x8s", 0x181, 2, bytes([0xAB, 0xCD]) + bytes(6)))
' || fail "send a frame on vcan0"
read_register() { ip netns exec "$ns" "$cli" read "$dir/P" --host 127.0.0.1 --port 1502 | grep -q '= 43981 (0xABCD)'; }
wait_until "the frame from vcan0 must set register 1" read_register
kill -TERM $pid; wait $pid
echo "cli sim socketcan: ok"
