#!/usr/bin/env python3
"""cravent-sim serving a client that reads while others attack it: one sends requests and never
reads the answers, one sends a request a byte every 0.4 s, and 300 connect and say nothing.
The reader gets every answer right, and so does a client that connects after them all; the
attackers are dropped. A candump line too long to be one, whose tail looks like a frame, changes
no register. No step has a timeout of its own: a server that stops serving hangs the
test until the harness ends it.

Usage: sim_hostile_test.py PATH_TO_CRAVENT_SIM
"""
import ctypes
import os
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

from modbus_test_support import Failure, run, write_project


def fail(message):
    raise Failure(message)


def in_thread(target, args, failures):
    """A thread whose failure is kept for the main thread to report."""
    def run():
        try:
            target(*args)
        except Exception as error:  # noqa: BLE001 - every failure of a client is the test's
            failures.append("%s: %s" % (target.__name__, error))
    return threading.Thread(target=run)


def end_with_parent():
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def read_request(transaction, first, count):
    return struct.pack(">HHHBBHH", transaction, 0, 6, 1, 3, first, count)


def receive_exactly(sock, size):
    data = b""
    while len(data) < size:
        part = sock.recv(size - len(data))
        if not part:
            fail("the server closed a reading client's connection")
        data += part
    return data


def read_registers(sock, transaction, first, count):
    sock.sendall(read_request(transaction, first, count))
    head = receive_exactly(sock, 9)
    got_transaction, protocol, length, unit, function, size = struct.unpack(">HHHBBB", head)
    if (got_transaction, protocol, unit, function, size) != (transaction, 0, 1, 3, 2 * count):
        fail("a wrong answer header: %r" % (head,))
    return list(struct.unpack(">%dH" % count, receive_exactly(sock, size)))


def reader(port, rounds, expected):
    with socket.create_connection(("127.0.0.1", port)) as sock:
        for n in range(rounds):
            values = read_registers(sock, n & 0xFFFF, 10, 4)
            if values != expected:
                fail("the reader got %r, not %r" % (values, expected))


def stalled(port, outcome):
    """Sends read requests of 125 registers as fast as it can and never reads an answer."""
    batch = b"".join(read_request(n, 0, 125) for n in range(1000))
    with socket.create_connection(("127.0.0.1", port)) as sock:
        try:
            while True:
                sock.sendall(batch)
        except (ConnectionResetError, BrokenPipeError):
            outcome["stalled"] = "dropped"


def slow(port, outcome):
    """Sends one request a byte every 0.4 s: 12 bytes take 4.4 s, more than the 2 s deadline."""
    request = read_request(7, 10, 4)
    with socket.create_connection(("127.0.0.1", port)) as sock:
        try:
            for sent, byte in enumerate(request):
                sock.sendall(bytes([byte]))
                time.sleep(0.4)
                sock.setblocking(False)
                try:
                    if sock.recv(300) == b"":
                        outcome["slow"] = "dropped after %d bytes" % (sent + 1)
                        return
                except BlockingIOError:
                    pass
                finally:
                    sock.setblocking(True)
        except (ConnectionResetError, BrokenPipeError):
            outcome["slow"] = "dropped"
            return
        outcome["slow"] = "served whole"


def main():
    sim = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        project = os.path.join(work, "P")
        # Registers 10..13 take bytes B1B2, B3B4, B5B6, B7B8 of 0x181.
        write_project(project, [(10, 18), (11, 52), (12, 86), (13, 120)])
        lines = os.path.join(work, "lines.log")
        with open(lines, "w") as f:
            f.write("(1702305120.000000) can0 181#0102030405060708\n")
            # Too long to be a candump line: passed over whole, never its tail as a frame.
            f.write("x" * 5000 + " 181#FFFFFFFFFFFFFFFF\n")
        port = free_port()
        err_path = os.path.join(work, "err")
        env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
        with open(lines) as stdin, open(err_path, "w") as err:
            # The simulator ends with the test, also when the harness ends the test.
            server = subprocess.Popen([sim, project, "--port", str(port)], stdin=stdin,
                                      stdout=subprocess.DEVNULL, stderr=err, env=env,
                                      preexec_fn=end_with_parent)
        try:
            while "serving Modbus TCP" not in open(err_path).read():
                if server.poll() is not None:
                    fail("the simulator did not start: " + open(err_path).read())
                time.sleep(0.05)
            expected = [0x0102, 0x0304, 0x0506, 0x0708]
            # The frame on standard input has been taken once the registers show it.
            while True:
                with socket.create_connection(("127.0.0.1", port)) as sock:
                    if read_registers(sock, 1, 10, 4) == expected:
                        break
                time.sleep(0.05)

            outcome = {}
            failures = []
            attackers = [in_thread(stalled, (port, outcome), failures),
                         in_thread(slow, (port, outcome), failures)]
            for thread in attackers:
                thread.start()
            first_reader = in_thread(reader, (port, 3000, expected), failures)
            first_reader.start()
            idle = [socket.create_connection(("127.0.0.1", port)) for _ in range(300)]
            first_reader.join()
            reader(port, 500, expected)  # a client that came after the 300 idle ones
            for thread in attackers:
                thread.join()
            for sock in idle:
                sock.close()
            if failures:
                fail("; ".join(failures))
            if outcome.get("stalled") != "dropped":
                fail("the client that never reads must be dropped: %r" % outcome)
            if not outcome.get("slow", "").startswith("dropped"):
                fail("the client that sends a byte every 0.4 s must be dropped: %r" % outcome)
        finally:
            server.terminate()
            code = server.wait()
        messages = open(err_path).read()
        if code != 0:
            fail("the simulator must stop cleanly (exit %d): %s" % (code, messages))
        for wanted in ("standard input line 2: longer than 4096 characters, passed over",
                       "dropped: it sent no whole request within 2000 ms",
                       "dropped: it does not take its answers",
                       "256 connections open: each new one closes the one idle longest"):
            if wanted not in messages:
                fail("the simulator must say %r:\n%s" % (wanted, messages[-2000:]))
    print("sim hostile clients: ok")


if __name__ == "__main__":
    run(main)
