#!/usr/bin/env python3
"""A small MQTT 3.1.1 subscriber for the fleet bench (no client library needed).

  mqtt_watch.py PORT count SECONDS   messages per second the broker hands out
                                     (retained ones not counted) on "#"
  mqtt_watch.py PORT online STICKS   seconds until STICKS availability topics
                                     are all "online"
  mqtt_watch.py PORT configs SECONDS the retained Home Assistant discovery
                                     configs the broker holds
"""
import socket
import struct
import sys
import time


def packet(kind, body):
    n, length = len(body), b""
    while True:
        digit, n = n % 128, n // 128
        length += bytes([digit | (128 if n else 0)])
        if not n:
            return bytes([kind]) + length + body


def text(t):
    return struct.pack("!H", len(t)) + t


def packets(buf):
    """The whole packets at the front of buf, and what is left."""
    out = []
    while len(buf) >= 2:
        mult, length, i, whole = 1, 0, 1, False
        while i < len(buf):
            b = buf[i]
            length += (b & 127) * mult
            mult *= 128
            i += 1
            if not b & 128:
                whole = True
                break
        if not whole or len(buf) < i + length:
            break
        out.append((buf[0], buf[i:i + length]))
        buf = buf[i + length:]
    return out, buf


def main():
    port, mode, arg = int(sys.argv[1]), sys.argv[2], float(sys.argv[3])
    for attempt in range(100):  # the broker may still be starting
        try:
            s = socket.create_connection(("127.0.0.1", port))
            break
        except ConnectionRefusedError:
            time.sleep(0.1)
    s.sendall(packet(0x10, text(b"MQTT") + b"\x04\x02\x00\x3c" + text(b"fleet-bench-%d" % time.time_ns())))
    topic = {"online": b"ventiscope/+/+/availability", "configs": b"homeassistant/#"}.get(mode, b"#")
    s.sendall(packet(0x82, b"\x00\x01" + text(topic) + b"\x00"))
    s.settimeout(0.5)
    buf, count, online = b"", 0, {}
    start = ping = time.time()
    while time.time() - start < (300 if mode == "online" else arg):
        if time.time() - ping > 30:
            s.sendall(b"\xc0\x00")  # PINGREQ: the broker keeps us
            ping = time.time()
        try:
            data = s.recv(65536)
        except socket.timeout:
            continue
        if not data:
            break
        got, buf = packets(buf + data)
        for head, body in got:
            if head >> 4 != 3:
                continue
            name = body[2:2 + struct.unpack("!H", body[:2])[0]]
            payload = body[2 + len(name):]  # QoS 0: no packet id
            if (mode == "count" and not head & 1) or (mode == "configs" and head & 1 and payload):
                count += 1
            if mode == "online":
                online[name] = payload
        if mode == "online" and len(online) >= arg and all(v == b"online" for v in online.values()):
            print("%.1f" % (time.time() - start))
            return
    print({"count": "%.1f" % (count / arg), "configs": count}.get(mode, "never"))


main()
