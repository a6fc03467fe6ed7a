#!/usr/bin/env python3
"""Bounded attacks on dormo-helper over loopback, each against a fresh helper: wrong guesses
answered per second from one address, the CPU it takes while out of descriptors, and whether a
real client from another address gets in during slot exhaustion, guessing and floods of NULs. Prints medians; asserts nothing."""
import hashlib
import os
import socket
import statistics
import subprocess
import sys
import threading
import time

PASSWORD = "Secret"
RUNS = 3


def authorisation_value(password, challenge):
    digest = hashlib.md5(password.lower().encode()).hexdigest()
    widened = "".join(chr(b) if b < 0x80 else chr(0xFF00 | b) for b in challenge)
    return hashlib.md5((digest + widened).encode()).hexdigest()


class Helper:
    def __init__(self, binary, launcher=()):
        self.process = subprocess.Popen(
            [*launcher, binary, "--password-stdin", "--port", "0", "--listen-address",
             "127.0.0.1", "--no-advertise"], stdin=subprocess.PIPE, stderr=subprocess.PIPE)
        self.process.stdin.write(PASSWORD.encode() + b"\n")
        self.process.stdin.close()
        line = self.process.stderr.readline().decode()
        self.port = int(line.rsplit(" ", 1)[1])
        self.log_lines = 0
        self.log_bytes = 0
        threading.Thread(target=self._drain, daemon=True).start()

    def _drain(self):
        for line in self.process.stderr:
            self.log_lines += 1
            self.log_bytes += len(line)

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


def connect(port, source):
    sock = socket.socket()
    sock.settimeout(6)
    sock.bind((source, 0))
    sock.connect(("127.0.0.1", port))
    return sock


def reply(sock):
    data = b""
    try:
        while b"\0" not in data:
            chunk = sock.recv(1024)
            if not chunk:
                break
            data += chunk
    except OSError:
        pass
    return data


def attempt(port, source, password):
    """The verdict's text, or None when the connection gave none."""
    try:
        with connect(port, source) as sock:
            sock.sendall(b"Connect\0")
            challenge = reply(sock)[8:].split(b"\0")[0]
            sock.sendall(b"Authorise: " + authorisation_value(password, challenge).encode() + b"\0")
            text = reply(sock).split(b"\0")[0].decode(errors="replace")
            return text or None
    except OSError:
        return None


def guesses_per_second(binary, seconds=10, threads=4):
    helper = Helper(binary)
    answered = [0]
    end = time.monotonic() + seconds

    def guess():
        while time.monotonic() < end:
            if attempt(helper.port, "127.0.0.2", "wrong") == "Authorise : failed":
                answered[0] += 1

    workers = [threading.Thread(target=guess) for _ in range(threads)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    helper.stop()
    return answered[0] / seconds


def trickle(port, sources, stop):
    """Connections that send one byte a second and never end a message; replaced when dropped."""
    def hold(source):
        while not stop.is_set():
            try:
                with connect(port, source) as sock:
                    while not stop.is_set():
                        sock.sendall(b"x")
                        stop.wait(1)
            except OSError:
                stop.wait(0.05)
    return [threading.Thread(target=hold, args=(s,), daemon=True) for s in sources]


def guessing(port, sources, stop):
    def guess(source):
        while not stop.is_set():
            attempt(port, source, "wrong")
    return [threading.Thread(target=guess, args=(s,), daemon=True) for s in sources]


def nul_flood(port, sources, stop):
    def flood(source):
        block = b"\0" * (1 << 20)
        while not stop.is_set():
            try:
                with connect(port, source) as sock:
                    sock.sendall(block)
            except OSError:
                stop.wait(0.05)
    return [threading.Thread(target=flood, args=(s,), daemon=True) for s in sources]


def served_during(binary, attack, sources, logins=5):
    """Logins from another address while the attack runs: (served, median seconds, log lines)."""
    helper = Helper(binary)
    stop = threading.Event()
    workers = attack(helper.port, sources, stop)
    for worker in workers:
        worker.start()
    time.sleep(2)
    times = []
    for _ in range(logins):
        start = time.monotonic()
        if attempt(helper.port, "127.0.0.3", PASSWORD) == "Authorise : succeeded":
            times.append(time.monotonic() - start)
        time.sleep(1)
    stop.set()
    for worker in workers:
        worker.join(8)
    lines = helper.log_lines
    helper.stop()
    return len(times), statistics.median(times) if times else None, lines


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def cpu_out_of_descriptors(binary, seconds=5):
    """CPU time the helper takes while its descriptors are used up and connections queue."""
    helper = Helper(binary, ("sh", "-c", 'ulimit -n 16 && exec "$0" "$@"'))
    sockets = [connect(helper.port, f"127.0.2.{i + 1}") for i in range(20)]
    time.sleep(1)
    before = cpu_seconds(helper.process.pid)
    time.sleep(seconds)
    used = cpu_seconds(helper.process.pid) - before
    for sock in sockets:
        sock.close()
    helper.stop()
    return used / seconds


def main():
    binary = sys.argv[1]
    rates = [guesses_per_second(binary) for _ in range(RUNS)]
    print(f"{binary}")
    print(f"  wrong guesses answered per second from one address (4 parallel, 10 s): "
          f"median {statistics.median(rates):.1f} of {rates}")
    shares = [cpu_out_of_descriptors(binary) for _ in range(RUNS)]
    print(f"  CPU share while out of descriptors (5 s): median {statistics.median(shares):.2f} "
          f"of {[round(share, 2) for share in shares]}")
    one = ["127.0.0.2"]
    attacks = [
        ("slot exhaustion, 32 trickling connections from one address", trickle, one * 32),
        ("slot exhaustion, 4 trickling connections from each of 8 addresses", trickle,
         [f"127.0.0.{10 + i}" for i in range(8)] * 4),
        ("password guessing, 4 parallel from one address", guessing, one * 4),
        ("1 MiB NUL floods, 4 parallel from one address", nul_flood, one * 4),
    ]
    for name, attack, sources in attacks:
        results = [served_during(binary, attack, sources) for _ in range(RUNS)]
        served = [r[0] for r in results]
        times = [r[1] for r in results if r[1] is not None]
        lines = [r[2] for r in results]
        median_time = f"{statistics.median(times) * 1000:.1f} ms" if times else "-"
        print(f"  {name}: real client from another address served {served} of 5 logins per run, "
              f"median login {median_time}, helper log lines per run {lines}")


if __name__ == "__main__":
    main()
