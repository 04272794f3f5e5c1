#!/usr/bin/env python3
"""A sensor stick for the kernel: a virtual HID device made through /dev/uhid
that answers the program's text and binary commands the way a stick's
firmware frames them.

One process is one stick. SIGUSR1 pulls it out (the device is destroyed),
SIGUSR2 plugs it back in (a new device, so a new hidraw node), SIGTERM ends
it. Every command received is appended to --log, one line each, so that a
test can count what the program asked.
"""
import argparse
import math
import os
import random
import select
import signal
import struct
import sys
import time

UHID_DESTROY = 1
UHID_START = 2
UHID_OUTPUT = 6
UHID_CREATE2 = 11
UHID_INPUT2 = 12
UHID_SET_REPORT = 13
UHID_SET_REPORT_REPLY = 14
EVENT_SIZE = 4 + 128 + 64 + 64 + 2 + 2 + 4 * 4 + 4096
BUS_USB = 3
ACTIVE = 0x8000


def descriptor(payload):
    """Vendor-defined reports without report IDs: input and output of
    `payload` bytes, an 8-byte feature report."""
    return bytes([0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
                  0x95, payload, 0x09, 0x01, 0x81, 0x02,
                  0x95, payload, 0x09, 0x01, 0x91, 0x02,
                  0x95, 0x08, 0x09, 0x01, 0xB1, 0x02, 0xC0])


def bin16(v):
    return b"\x12" + bytes([(v >> 8) & 0xFF, v & 0xFF])


class Firmware:
    def __init__(self, serial, protocol, index):
        self.serial = serial
        self.protocol = protocol
        self.index = index
        self.start = time.monotonic()
        self.knobs = [["CO2eq_warn1", "ppm", 1000], ["CO2eq_warn2", "ppm", 1500],
                      ["LogInterval", "s", 60], ["Heater_Set", "", 147]]
        self.flags = [["WARMUP", ACTIVE | 1], ["BURN-IN", 0], ["RESET BASELINE", 0], ["CALIBRATE HEATER", 0]]

    def raw_values(self):
        t = time.time() + 170 * self.index
        co2 = 1225 - 60 * self.index + 700 * math.sin(2 * math.pi * t / 900) + random.gauss(0, 25)
        co2 = min(2000, max(450, co2))
        return [round(co2), round(2150 + 150 * math.sin(t / 600)), round(450 + 50 * math.cos(t / 300)),
                round(9000 + random.gauss(0, 30)), round(200000 * 450 / co2)]

    def flag_value(self, flag):
        if flag[0] == "WARMUP" and flag[1] & ACTIVE and time.monotonic() - self.start > 60:
            flag[1] = 0
        return flag[1]

    def text_reply(self, command):
        if command == b"*IDN?":
            s = (b"Kernel test stick %d;B;2.3p%d fw;https://ventiscope.example/k;MCU=K8;Kernel air;S/N:%s;"
                 % (self.index, self.protocol, self.serial.encode()))
            if self.protocol == 1:
                s += b"PollHalf=0F;"
            return s + b";\n"
        if command == b"WFMPRE?":
            return (b"\x01\x02;0;CO2eq;ppm;1;0;5000;0;0;\x01\x02;1;Temp;C;0.01;0;10000;0;0;"
                    b"\x01\x01;2;Humidity;%RH;0.1;0;1000;0;0;\x01\x03;3;Rh;ohm;0.01;0;200;0;0;"
                    b"\x01\x03;4;Rs;ohm;1;0;200000;0;0;\n")
        if command == b"KNOBPRE?":
            out = b""
            for name, unit, value in self.knobs:
                out += b"%s;%s;1;0;5000;0;" % (name.encode(), unit.encode()) + bin16(value) + b";"
            return out + b";\n"
        if command == b"FLAGS?":
            return b"".join(f[0].encode() + b";" for f in self.flags) + b"\n"
        if command == b"FLAGGET?":
            return b"".join(bin16(self.flag_value(f)) + b";" for f in self.flags) + b";\n"
        if command == b"*TRG":
            return b"".join(b"%d;" % v for v in self.raw_values()) + b";\n"
        if command in (b"*RST",) or command.startswith(b"KNOBSET;") or command.startswith(b"FLAGSET;"):
            return b"OK;\n"
        return b"ERR;unknown command;\n"

    def binary_reply(self, command):
        if command not in (b"*TR", b"TRF?"):
            return b""
        v = self.raw_values()
        out = struct.pack("<HHHII", v[0], v[1], v[2], v[3], v[4])
        if command == b"TRF?":
            out += b"".join(struct.pack("<H", self.flag_value(f)) for f in self.flags)
        return out


class Stick:
    def __init__(self, args):
        self.args = args
        self.payload = args.report - 1
        self.fw = Firmware(args.serial, args.protocol, args.index)
        self.fd = None
        self.text = bytearray()
        self.value_commands = 0
        self.commands = 0
        self.pending = []  # (time, reports) replies held back on purpose
        self.log = open(args.log, "a", buffering=1) if args.log else None

    def note(self, text):
        if self.log:
            self.log.write(text + "\n")

    def create(self):
        if self.fd is not None:
            return
        self.fd = os.open("/dev/uhid", os.O_RDWR | os.O_CLOEXEC)
        rd = descriptor(self.payload)
        name = ("Kernel test stick %s" % self.args.serial).encode()
        ev = struct.pack("<I128s64s64sHHIIII4096s", UHID_CREATE2, name, b"ventiscope-kernel-test",
                         self.args.serial.encode(), len(rd), BUS_USB, 0x03EB, self.args.product, 0x0100, 0, rd)
        os.write(self.fd, ev)
        self.text.clear()
        self.note("created")

    def destroy(self):
        if self.fd is None:
            return
        os.write(self.fd, struct.pack("<I", UHID_DESTROY).ljust(EVENT_SIZE, b"\0"))
        os.close(self.fd)
        self.fd = None
        self.pending.clear()
        self.note("destroyed")

    def send(self, raw):
        reports = []
        for at in range(0, len(raw), self.payload):
            reports.append(raw[at:at + self.payload].ljust(self.payload, b"\0"))
        return reports

    def deliver(self, reports):
        for r in reports:
            if self.fd is None:
                return
            os.write(self.fd, struct.pack("<IH4096s", UHID_INPUT2, len(r), r).ljust(EVENT_SIZE, b"\0"))

    def answer(self, reports, late_ms=0):
        if late_ms > 0:
            self.pending.append((time.monotonic() + late_ms / 1000.0, reports))
        elif self.pending:
            self.pending.append((0, reports))  # replies leave in order
        else:
            self.deliver(reports)

    def on_command(self, command, binary, seq=0):
        self.commands += 1
        tag = "" if binary else self.text_tag[1:].decode("latin-1") + " "
        self.note(("bin %d " % seq if binary else "txt " + tag) + command.decode("latin-1"))
        if self.args.vanish_on and command == self.args.vanish_on.encode() and not getattr(self, "vanished", False):
            self.vanished = True
            self.destroy()
            return
        if binary:
            self.value_commands += 1
            late = self.args.late_reply_ms if self.value_commands == self.args.late_reply else 0
            self.answer(self.send(b"@" + bytes([seq]) + self.fw.binary_reply(command)), late)
        else:
            self.answer(self.send(self.text_tag + b";" + self.fw.text_reply(command)))

    def take_output(self, data):
        if len(data) == self.payload + 1 and data[0] == 0:
            data = data[1:]  # the report ID byte hidraw passes on
        if not self.text and len(data) >= 3 and data[0] == 0x40 and 103 <= data[1] <= 254:
            end = data.find(b"\n", 2)
            self.on_command(bytes(data[2:end if end >= 0 else len(data)]), True, data[1])
            return
        for b in data:
            self.text.append(b)
            # "@" + four hexadecimal digits + command + LF; "@" alone is padding.
            while self.text and self.text[0] == 0x40 and (len(self.text) < 2 or self.text[1] == 0x40):
                if len(self.text) < 2:
                    break
                del self.text[0]
            if b == 0x0A and len(self.text) >= 6 and self.text[0] == 0x40:
                self.text_tag = bytes(self.text[:5])
                command = bytes(self.text[5:-1])
                self.text.clear()
                self.on_command(command, False)
        if self.text == b"@":
            self.text.clear()

    def on_event(self, buf):
        kind = struct.unpack_from("<I", buf)[0]
        if kind == UHID_OUTPUT:
            data, size, _ = struct.unpack_from("<4096sHB", buf, 4)
            self.take_output(data[:size])
        elif kind == UHID_SET_REPORT:
            rid, _, _, size = struct.unpack_from("<IBBH", buf, 4)
            data = buf[12:12 + size]
            os.write(self.fd, struct.pack("<IIH", UHID_SET_REPORT_REPLY, rid, 0).ljust(EVENT_SIZE, b"\0"))
            if b"\x55\xaa\x55\xaa" in data:
                self.note("dfu")
                self.destroy()

    def run(self):
        wake_r, wake_w = os.pipe()
        os.set_blocking(wake_w, False)
        wanted = []

        def on_signal(sig, _):
            wanted.append(sig)
            os.write(wake_w, b"x")

        for sig in (signal.SIGUSR1, signal.SIGUSR2, signal.SIGTERM):
            signal.signal(sig, on_signal)
        self.create()
        if self.args.ready:
            open(self.args.ready, "w").close()
        while True:
            while wanted:
                sig = wanted.pop(0)
                if sig == signal.SIGUSR1:
                    self.destroy()
                elif sig == signal.SIGUSR2:
                    self.create()
                else:
                    self.destroy()
                    return
            timeout = None
            if self.pending:
                timeout = max(0.0, self.pending[0][0] - time.monotonic())
            fds = [wake_r] + ([self.fd] if self.fd is not None else [])
            readable, _, _ = select.select(fds, [], [], timeout)
            if wake_r in readable:
                os.read(wake_r, 64)
            while self.pending and self.pending[0][0] <= time.monotonic():
                self.deliver(self.pending.pop(0)[1])
            if self.fd is not None and self.fd in readable:
                self.on_event(os.read(self.fd, EVENT_SIZE))


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--serial", required=True)
    p.add_argument("--protocol", type=int, default=5)
    p.add_argument("--report", type=int, default=9, help="input report length with the ID byte")
    p.add_argument("--index", type=int, default=0)
    p.add_argument("--product", type=lambda s: int(s, 0), default=0x2013)
    p.add_argument("--log")
    p.add_argument("--ready")
    p.add_argument("--vanish-on", help="the stick is pulled when this command comes (once)")
    p.add_argument("--late-reply", type=int, default=0, help="the N-th value command is answered late")
    p.add_argument("--late-reply-ms", type=int, default=45)
    Stick(p.parse_args()).run()


if __name__ == "__main__":
    sys.exit(main())
