#!/usr/bin/env python3
"""cravent-cli read against servers that answer, but too slowly to be waited for: one trickles
each answer a byte every 0.4 s (every byte well within libmodbus's byte timeout), one answers
each request whole but after 100 ms, so that a reading of 40 requests takes 4 s. read gives up
on each with the reason, and a server that answers at once is read whole.

Usage: read_deadline_test.py PATH_TO_CRAVENT_CLI
"""
import os
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

from modbus_test_support import Failure, run, write_project


class Server:
    """Answers function code 3 with register i = i, pacing each answer as `send` does."""

    def __init__(self, send):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(4)
        self.port = self.listener.getsockname()[1]
        self.send = send
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            connection, _ = self.listener.accept()
            threading.Thread(target=self.client, args=(connection,), daemon=True).start()

    def client(self, connection):
        try:
            while True:
                request = b""
                while len(request) < 12:
                    part = connection.recv(12 - len(request))
                    if not part:
                        return
                    request += part
                transaction, _, _, unit, function, first, count = struct.unpack(">HHHBBHH", request)
                body = struct.pack(">BBB", unit, function, 2 * count) + b"".join(
                    struct.pack(">H", (first + i) & 0xFFFF) for i in range(count))
                self.send(connection, struct.pack(">HHH", transaction, 0, len(body)) + body)
        except OSError:
            return
        finally:
            connection.close()


def trickle(connection, answer):
    for byte in answer:
        connection.sendall(bytes([byte]))
        time.sleep(0.4)


def late(connection, answer):
    time.sleep(0.1)
    connection.sendall(answer)


def at_once(connection, answer):
    connection.sendall(answer)


def read(cli, project, port, *options):
    return subprocess.run([cli, "read", project, "--host", "127.0.0.1", "--port", str(port), *options],
                          capture_output=True, text=True)


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        # 40 registers, each too far from the next to share a request.
        project = os.path.join(work, "P")
        write_project(project, [(200 * k, 18) for k in range(40)])

        result = read(cli, project, Server(trickle).port)
        if result.returncode != 1 or "No answer from 127.0.0.1:" not in result.stderr or \
                "no whole answer within 2000 ms" not in result.stderr:
            raise Failure("a trickled answer must end the request at 2000 ms: exit %d, %r"
                          % (result.returncode, result.stderr))

        result = read(cli, project, Server(late).port, "--timeout", "300")
        if result.returncode != 1 or "the reading took more than 3000 ms" not in result.stderr:
            raise Failure("40 answers of 100 ms each must end the reading at 3000 ms: exit %d, %r"
                          % (result.returncode, result.stderr))

        result = read(cli, project, Server(at_once).port, "--timeout", "300", "--json")
        if result.returncode != 0 or '"register":7800,' not in result.stdout or '"value":7800}' not in result.stdout:
            raise Failure("a prompt server must be read whole: exit %d, %r" % (result.returncode, result.stderr))

        for bad in ("0", "abc", "600001"):
            result = read(cli, project, 1, "--timeout", bad)
            if result.returncode != 2 or "--timeout" not in result.stderr:
                raise Failure("--timeout %s must be refused as wrong usage: %r" % (bad, result.stderr))
    print("read deadlines: ok")


if __name__ == "__main__":
    run(main)
