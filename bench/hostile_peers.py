#!/usr/bin/env python3
"""Hostile network peers against the real service: prints the service's
memory (RSS) before and after each flood, and the longest gap between two
lines of its value log (sampling must keep its interval).

    python3 bench/hostile_peers.py [build/bin/ventiscope]
"""
import os
import socket
import subprocess
import sys
import tempfile
import threading
import time

EXE = sys.argv[1] if len(sys.argv) > 1 else "build/bin/ventiscope"


def rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024.0
    return 0.0


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def start(home, ini, sticks="5,5"):
    os.makedirs(home + "/cfg/Ventiscope", exist_ok=True)
    with open(home + "/cfg/Ventiscope/Ventiscope.ini", "w") as f:
        f.write(ini)
    env = dict(os.environ, XDG_CONFIG_HOME=home + "/cfg", HOME=home, VENTISCOPE_SIMULATE=sticks)
    env.pop("DISPLAY", None)
    proc = subprocess.Popen([EXE, "--headless"], env=env, stdout=open(home + "/out.txt", "w"),
                            stderr=subprocess.STDOUT)
    time.sleep(2)
    return proc


def connect(port):
    for _ in range(50):
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=5)
        except OSError:
            time.sleep(0.1)
    raise RuntimeError("no server")


def drain(sock, stop):
    sock.settimeout(0.2)
    while not stop.is_set():
        try:
            if not sock.recv(65536):
                return
        except socket.timeout:
            pass
        except OSError:
            return


def longest_gap(log):
    """The longest time between two value-log lines, in seconds."""
    times = []
    with open(log, encoding="latin-1") as f:
        for line in f:
            if line[:4].isdigit():
                t = time.strptime(line[:19], "%Y-%m-%d %H:%M:%S")
                times.append(time.mktime(t))
    return max((b - a for a, b in zip(times, times[1:])), default=0)


def flood(name, pid, action):
    before = rss_mb(pid)
    started = time.time()
    action()
    time.sleep(0.5)
    print("%-44s RSS %6.1f MB -> %6.1f MB (%+5.1f MB), %4.1f s" %
          (name, before, rss_mb(pid), rss_mb(pid) - before, time.time() - started), flush=True)


def server_floods():
    home = tempfile.mkdtemp(prefix="vs-hostile-")
    port = free_port()
    log = home + "/log.txt"
    proc = start(home, "[NetworkSettings]\nNetworkOption=2\nLocalPort=%d\n[HIDsettings]\nLog2file=1\nLogFile=%s\n"
                 "[Plot]\nRecordLength=20000\n" % (port, log))
    pid = proc.pid
    print("server: service with two simulated sticks, RSS %.1f MB" % rss_mb(pid))

    def print_and_close():
        for _ in range(20):
            for seq in (b"m hello\nm hello\n", b"add [USB:x:0]M|2|0|CO2|ppm|900|1|T|C|21\nupdateplot\n"):
                s = connect(port)
                s.sendall(seq)
                s.close()
                time.sleep(0.05)

    def long_line():
        s = connect(port)
        s.sendall(b"x" * 100000)
        time.sleep(0.5)
        s.sendall(b"ver\n")
        time.sleep(0.5)
        s.close()

    def wide_adds():
        s = connect(port)
        stop = threading.Event()
        threading.Thread(target=drain, args=(s, stop), daemon=True).start()
        for i in range(64):
            fields = "|".join("c%d|L|u|1" % k for k in range(64))
            s.sendall(b"add [w%d]M|64|%s\n" % (i, fields.encode()))
        s.sendall(b"updateplot\n")
        time.sleep(2)
        stop.set()
        s.close()

    def trg_flood():
        s = connect(port)
        stop = threading.Event()
        threading.Thread(target=drain, args=(s, stop), daemon=True).start()
        end = time.time() + 10
        chunk = b"trg\n" * 4096
        while time.time() < end:
            try:
                s.sendall(chunk)
            except OSError:
                break
        stop.set()
        s.close()

    def updateplot_stream():
        s = connect(port)
        stop = threading.Event()
        threading.Thread(target=drain, args=(s, stop), daemon=True).start()
        end = time.time() + 10
        while time.time() < end:
            s.sendall(b"updateplot\n")
            time.sleep(0.2)
        stop.set()
        s.close()

    flood("20 x two print lines and a close, 20 x add", pid, print_and_close)
    flood("100 000 bytes without LF, then ver", pid, long_line)
    flood("64 adds of 64 channels, updateplot (20000)", pid, wide_adds)
    flood("trg flood for 10 s", pid, trg_flood)
    flood("updateplot every 0.2 s for 10 s", pid, updateplot_stream)
    alive = proc.poll() is None
    proc.terminate()
    proc.wait(20)
    print("server alive after the floods: %s; longest gap between two log lines: %.0f s (read interval 1 s)" %
          (alive, longest_gap(log)))


def client_flood():
    """A server that streams without ever prompting; the client connects to port 5800."""
    home = tempfile.mkdtemp(prefix="vs-hostile-")
    peer = socket.socket()
    peer.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        peer.bind(("127.0.0.1", 5800))
    except OSError:
        print("client: port 5800 is taken; no client measurement")
        return
    peer.listen(1)
    result = {"sent": 0}

    def stream():
        conn, _ = peer.accept()
        conn.settimeout(3)
        try:
            while result["sent"] < 200 << 20:
                conn.sendall(b"y" * 65536)
                result["sent"] += 65536
        except OSError:
            pass
        conn.close()

    threading.Thread(target=stream, daemon=True).start()
    proc = start(home, "[NetworkSettings]\nNetworkOption=1\nnServers=1\nServer%%5B0%%5D=127.0.0.1\n"
                 "LocalPort=%d\n" % free_port(), sticks="5")
    base = rss_mb(proc.pid)
    time.sleep(4)
    with open(home + "/out.txt") as f:
        closing = [line.strip() for line in f if "without a prompt" in line]
    print("client: RSS %.1f MB -> %.1f MB while a server streamed %.1f MB without a prompt; %s" %
          (base, rss_mb(proc.pid), result["sent"] / 1048576.0, closing[0] if closing else "no status line"))
    proc.terminate()
    proc.wait(20)


if __name__ == "__main__":
    server_floods()
    client_flood()
