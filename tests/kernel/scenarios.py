#!/usr/bin/env python3
"""The kernel-level scenarios, run inside the virtual machine as root: virtual
sticks through /dev/uhid, systemd-udevd running, the real program without
simulated sticks. Each scenario asserts on the program's output, its value
log and its metrics; a failed assertion makes the exit code 1.
"""
import argparse
import glob
import os
import re
import signal
import subprocess
import sys
import time
import urllib.request

ARGS = None
FAILURES = []
# The sticks and programs a scenario started; stopped when it ends, however it ends.
LIVE = []
# Writable scratch space (the root file system is the host's, read-only).
SCRATCH = "/run/vs"

TAG_LINE = re.compile(r"^txt |^bin ")


def say(text):
    print(text, flush=True)


def check(condition, what):
    say(("  ok    " if condition else "  FAIL  ") + what)
    if not condition:
        FAILURES.append(what)
    return condition


def wait_for(predicate, timeout, step=0.25):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if predicate():
            return True
        time.sleep(step)
    return predicate()


def hidraw_nodes():
    return sorted(glob.glob("/dev/hidraw*"))


class Stick:
    """One virtual stick: a firmware process of its own."""

    def __init__(self, name, serial, protocol=5, report=9, index=0, extra=()):
        LIVE.append(self)
        self.name = name
        self.serial = serial
        self.log = os.path.join(ARGS.out, name + ".commands.txt")
        ready = "%s/%s.ready" % (SCRATCH, name)
        before = set(hidraw_nodes())
        self.proc = subprocess.Popen([ARGS.firmware, "--serial", serial, "--protocol", str(protocol),
                                      "--report", str(report), "--index", str(index), "--log", self.log,
                                      "--ready", ready] + list(extra))
        if not wait_for(lambda: os.path.exists(ready), 20):
            raise RuntimeError("stick %s did not start" % name)
        wait_for(lambda: len(set(hidraw_nodes()) - before) > 0, 10)
        subprocess.run(["udevadm", "settle", "--timeout=10"], check=False)

    def lines(self):
        try:
            with open(self.log) as f:
                return [line.rstrip("\n") for line in f]
        except FileNotFoundError:
            return []

    def commands(self):
        return [line for line in self.lines() if TAG_LINE.match(line)]

    def pull(self):
        self._signal(signal.SIGUSR1, "destroyed")

    def plug(self):
        self._signal(signal.SIGUSR2, "created")

    def _signal(self, sig, then):
        """Sends the signal, waits for the stick's line saying it acted, and for udev."""
        self.proc.send_signal(sig)
        wait_for(lambda: self.lines()[-1:] == [then], 10)
        subprocess.run(["udevadm", "settle", "--timeout=10"], check=False)

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            self.proc.wait(10)


class Program:
    """The real program in a home of its own: the service, or a one-shot switch."""

    port_counter = 9464

    def __init__(self, name, args=("--headless",), metrics=True, log=True):
        LIVE.append(self)
        self.name = name
        self.home = SCRATCH + "/home-" + name
        os.makedirs(self.home + "/config/Ventiscope", exist_ok=True)
        self.log_file = self.home + "/log.txt"
        Program.port_counter += 1
        self.port = Program.port_counter
        with open(self.home + "/config/Ventiscope/Ventiscope.ini", "w") as ini:
            ini.write("[HIDsettings]\n")
            # Every channel of up to three sticks is plotted, and so logged.
            ini.write("".join("ChEnable%%5B%d%%5D=1\n" % k for k in range(15)))
            if log:
                ini.write("Log2file=1\nLogFile=%s\n" % self.log_file)
            if metrics:
                ini.write("[Metrics]\nEnabled=1\nListen=127.0.0.1:%d\n" % self.port)
        self.out = os.path.join(ARGS.out, name + ".out")
        environment = {"PATH": os.environ["PATH"], "HOME": self.home, "XDG_CONFIG_HOME": self.home + "/config",
                       "XDG_RUNTIME_DIR": self.home, "QT_QPA_PLATFORM": "offscreen", "LANG": "C.UTF-8"}
        self.proc = subprocess.Popen([ARGS.exe] + list(args), stdout=open(self.out, "w"),
                                     stderr=subprocess.STDOUT, env=environment, cwd=self.home)

    def output(self):
        with open(self.out, errors="replace") as f:
            return f.read()

    def metrics(self):
        try:
            with urllib.request.urlopen("http://127.0.0.1:%d/metrics" % self.port, timeout=5) as r:
                return r.read().decode()
        except OSError:
            return ""

    def metric(self, name, **labels):
        for line in self.metrics().splitlines():
            if not line.startswith(name + "{") and not line.startswith(name + " "):
                continue
            if all('%s="%s"' % (k, v) in line for k, v in labels.items()):
                return float(line.rsplit(" ", 1)[1])
        return None

    def passes(self):
        return self.metric("ventiscope_sampling_passes_total") or 0

    def log_rows(self):
        """The value log's data lines as [time, value..., error]."""
        try:
            with open(self.log_file, encoding="latin-1", newline="") as f:
                text = f.read()
        except FileNotFoundError:
            return []
        return [line.split("\t ") for line in text.split("\r\n") if line and not line.startswith('"')]

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(30)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        if os.path.exists(self.log_file):
            with open(self.log_file, "rb") as src, open(os.path.join(ARGS.out, self.name + ".log.txt"), "wb") as dst:
                dst.write(src.read())
        return self.proc.returncode


def sane(row, channels):
    """A log row with `channels` values, each a number a stick can give, and no error."""
    if len(row) != channels + 2:
        return False
    try:
        values = [float(v.replace(",", ".")) for v in row[1:-1]]
    except ValueError:
        return False
    return row[-1] == "" and all(0 < v < 250000 for v in values)


def scenario(function):
    def run():
        say("== " + function.__doc__.strip().splitlines()[0])
        started = time.monotonic()
        try:
            function()
        except Exception as e:  # a scenario that breaks fails, the others still run
            check(False, "%s raised %r" % (function.__name__, e))
        finally:
            while LIVE:  # the last started, first
                LIVE.pop().stop()
        say("   (%.1f s)" % (time.monotonic() - started))
    return run


@scenario
def report_sizes():
    """Sticks with 9-, 33- and 65-byte input reports are configured and read."""
    sticks = [Stick("r9", "K9000001", 5, 9, 0), Stick("r33", "K3300001", 1, 33, 1), Stick("r65", "K6500001", 5, 65, 2)]
    service = Program("sizes")
    check(wait_for(lambda: service.passes() >= 4, 60), "the service samples (%s passes)" % service.passes())
    for s in sticks:
        check(service.metric("ventiscope_stick_open", serial=s.serial) == 1, "%s is open" % s.serial)
    rows = service.log_rows()
    check(len(rows) >= 3 and all(sane(r, 15) for r in rows[-3:]),
          "every log line holds 15 plausible values and no error: %r" % rows[-1:])
    for s in sticks:
        values = [c for c in s.commands() if c.endswith("TRF?") or c.endswith("*TR")]
        check(len(values) >= 3, "%s answered value commands (%d)" % (s.serial, len(values)))


@scenario
def dump_and_dfu():
    """The dump switch writes a line per stick; /dfu sends every stick into firmware-upgrade mode."""
    sticks = [Stick("d1", "KD000001", 5, 9, 0), Stick("d2", "KD000002", 1, 33, 1)]
    dump = SCRATCH + "/dump.txt"
    run = Program("dump", args=("/dump=" + dump,), metrics=False, log=False)
    check(run.proc.wait(90) == 0, "the dump ends with exit code 0")
    text = open(dump).read() if os.path.exists(dump) else ""
    check(all(s.serial in text for s in sticks) and len(text.strip().splitlines()) == 2,
          "one dump line per stick: %r" % text)
    run = Program("dfu", args=("/dfu",), metrics=False, log=False)
    check(run.proc.wait(90) == 0, "/dfu ends with exit code 0")
    check(all("dfu" in s.lines() for s in sticks), "every stick got the firmware-upgrade request")


@scenario
def hot_plug():
    """Sticks plugged in and pulled out while the service samples; every removal is said and counted."""
    first = Stick("h1", "KH000001", 5, 9, 0)
    service = Program("hotplug")
    check(wait_for(lambda: service.passes() >= 2, 60), "the service samples one stick")
    second = Stick("h2", "KH000002", 5, 33, 1)
    check(wait_for(lambda: service.metric("ventiscope_stick_open", serial=second.serial) == 1, 20),
          "a stick plugged in is opened")
    check(wait_for(lambda: any(sane(r, 10) for r in service.log_rows()[-2:]), 20),
          "its values are logged beside the first's")
    first.pull()
    check(wait_for(lambda: service.metric("ventiscope_stick_open", serial=first.serial) == 0, 15),
          "a stick pulled out is closed")
    check(wait_for(lambda: "Sensor 0 (S/N KH000001): removed" in service.output(), 20), "and said")
    check(wait_for(lambda: (service.metric("ventiscope_device_changes_total") or 0) >= 2, 10),
          "and counted")
    passes = service.passes()
    wait_for(lambda: service.passes() >= passes + 3, 20)
    rows = service.log_rows()
    check(all(sane(r, 5) for r in rows[-2:]), "the log goes on with the remaining stick only: %r" % rows[-2:])
    asked = len(first.commands())
    passes = service.passes()
    wait_for(lambda: service.passes() >= passes + 3, 20)
    check(len(first.commands()) == asked, "the pulled stick is asked nothing more in three passes")
    second.pull()
    check(wait_for(lambda: "No sensors found" in service.output().split("KH000002): removed", 1)[-1], 60),
          "the last stick pulled is said, and that no stick is left")


@scenario
def removal_said():
    """A stick pulled in the middle of an exchange is said, closed and counted."""
    stay = Stick("o2", "KO000002", 5, 9, 0)
    leave = Stick("o3", "KO000003", 5, 33, 1, extra=("--vanish-on", "TRF?"))
    service = Program("removal")
    said = wait_for(lambda: "(S/N KO000003): removed" in service.output(), 60)
    check(said, "the stick is said: %r" % [l for l in service.output().splitlines() if "KO000003" in l])
    check(wait_for(lambda: service.metric("ventiscope_stick_open", serial=leave.serial) == 0, 10),
          "and closed")
    changes = service.metric("ventiscope_device_changes_total") or 0
    check(changes >= 1, "and counted (%d)" % changes)
    passes = service.passes()
    check(wait_for(lambda: service.passes() >= passes + 3, 20), "the other stick is sampled on")


@scenario
def pulled_during_configuration():
    """A stick pulled while the sticks are configured is noticed, and configured when it comes back."""
    healthy = Stick("p1", "KP000001", 5, 9, 0)
    flaky = Stick("p2", "KP000002", 5, 33, 1, extra=("--vanish-on", "KNOBPRE?"))
    service = Program("pulled")
    # The other stick stays away until the healthy one has been sampled: sampling waits for no stick.
    check(wait_for(lambda: len(service.log_rows()) >= 2, 60) and all(sane(r, 5) for r in service.log_rows()),
          "the healthy stick is sampled while the other is away: %r" % service.log_rows()[-1:])
    flaky.plug()
    check(wait_for(lambda: service.metric("ventiscope_stick_open", serial=flaky.serial) == 1, 40),
          "the stick that came back is open")
    check(wait_for(lambda: any(sane(r, 10) for r in service.log_rows()[-2:]), 30),
          "both sticks' values are logged: %r" % service.log_rows()[-1:])
    lines = flaky.lines()
    after = lines[len(lines) - 1 - lines[::-1].index("created"):] if "created" in lines else []
    check(any(c.startswith("txt") and c.endswith("*IDN?") for c in after), "the returning stick is configured again")
    check(any(c.endswith("TRF?") for c in after), "and read as the protocol-5 stick it is")
    check(not any(c.endswith("*TRG") for c in flaky.lines()), "never with protocol-0 commands")
    rows = service.log_rows()
    check(all(r[-1] == "" for r in rows[-3:]), "no error in the last lines")


@scenario
def two_copies():
    """Two copies of the program on one stick: one owns it, the other says who does."""
    stick = Stick("c1", "KC000001", 5, 9, 0)
    first = Program("owner")
    check(wait_for(lambda: first.passes() >= 2, 60), "the first copy samples")
    second = Program("second")
    check(wait_for(lambda: "in use by another program" in second.output(), 40),
          "the second copy says the stick is in use")
    check("the Ventiscope service (process %d)" % first.proc.pid in second.output(),
          "and that the service holds it: %r" % [l for l in second.output().splitlines() if "in use" in l])
    passes = first.passes()
    wait_for(lambda: first.passes() >= passes + 4, 20)
    rows = first.log_rows()
    check(len(rows) >= 4 and all(sane(r, 5) for r in rows), "the owner's log holds only sound values")
    second.stop()
    # The stick is free once its owner ends; the other copy takes it.
    third = Program("third")
    first.stop()
    check(wait_for(lambda: third.metric("ventiscope_stick_open", serial=stick.serial) == 1, 30),
          "the stick is taken once its owner has ended")
    third.stop()
    # Each copy's tag counter starts where chance puts it, not at 0001.
    firsts = [c.split()[1] for c in stick.commands() if c.startswith("txt") and c.endswith("*IDN?")]
    check(len(firsts) == 2 and firsts != ["0001", "0001"], "the copies' first tags: %s" % firsts)


@scenario
def late_reply():
    """After one late reply every pass costs one exchange again."""
    stick = Stick("l1", "KL000001", 5, 9, 0, extra=("--late-reply", "3", "--late-reply-ms", "60"))
    service = Program("late")
    check(wait_for(lambda: service.passes() >= 10, 60), "the service samples")
    service.stop()
    passes = len(service.log_rows())
    asked = len([c for c in stick.commands() if c.startswith("bin")])
    check(asked <= passes + 2, "value commands %d for %d passes (one retry for the late reply)" % (asked, passes))
    check(all(sane(r, 5) for r in service.log_rows()), "every line holds the stick's values")


@scenario
def udev_rule():
    """The shipped udev rule matches the sticks' USB identity (a USB gadget on a dummy controller)."""
    if subprocess.run(["modprobe", "dummy_hcd"], capture_output=True).returncode != 0 or \
            subprocess.run(["modprobe", "usb_f_hid"], capture_output=True).returncode != 0:
        check(False, "the dummy USB controller modules load")
        return
    subprocess.run(["modprobe", "usbhid"], check=False)
    if not os.path.isdir("/sys/kernel/config/usb_gadget"):
        subprocess.run(["mount", "-t", "configfs", "none", "/sys/kernel/config"], check=False)
    rules = "/run/udev/rules.d"
    os.makedirs(rules, exist_ok=True)
    with open(rules + "/70-ventiscope.rules", "w") as f:
        f.write(open(ARGS.rule).read())
    udc = sorted(os.listdir("/sys/class/udc"))
    for product, expected in ((0x2013, True), (0x2023, True), (0x2FF4, False)):
        before = set(hidraw_nodes())
        g = "/sys/kernel/config/usb_gadget/vs%04x" % product
        os.makedirs(g + "/strings/0x409", exist_ok=True)
        open(g + "/idVendor", "w").write("0x03eb")
        open(g + "/idProduct", "w").write("0x%04x" % product)
        os.makedirs(g + "/functions/hid.usb0", exist_ok=True)
        open(g + "/functions/hid.usb0/protocol", "w").write("0")
        open(g + "/functions/hid.usb0/subclass", "w").write("0")
        open(g + "/functions/hid.usb0/report_length", "w").write("8")
        with open(g + "/functions/hid.usb0/report_desc", "wb") as f:
            f.write(bytes([0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
                           0x95, 0x08, 0x09, 0x01, 0x81, 0x02, 0x95, 0x08, 0x09, 0x01, 0x91, 0x02, 0xC0]))
        os.makedirs(g + "/configs/c.1", exist_ok=True)
        os.symlink(g + "/functions/hid.usb0", g + "/configs/c.1/hid.usb0")
        open(g + "/UDC", "w").write(udc[0])
        appeared = wait_for(lambda: len(set(hidraw_nodes()) - before) > 0, 20)
        subprocess.run(["udevadm", "settle", "--timeout=10"], check=False)
        if not check(appeared, "a USB stick %04x appears as a hidraw node" % product):
            break
        node = sorted(set(hidraw_nodes()) - before)[0]
        test = subprocess.run(["udevadm", "test", "--action=add", "/sys/class/hidraw/" + os.path.basename(node)],
                              capture_output=True, text=True)
        text = test.stdout + test.stderr
        with open(os.path.join(ARGS.out, "udevadm-%04x.txt" % product), "w") as f:
            f.write(text)
        # The seat tag makes systemd's late seat rule grant the seat's user
        # access; the group and mode give the service's group plugdev access.
        seat = "RUN 'uaccess'" in text
        group = re.search(r"70-ventiscope\.rules:\d+ GROUP", text) is not None and \
            re.search(r"70-ventiscope\.rules:\d+ MODE", text) is not None
        check(seat == expected and group == expected,
              "product %04x: the seat tag %s and the group plugdev %s" %
              (product, "matches" if seat else "does not match", "matches" if group else "does not match"))
        open(g + "/UDC", "w").write("\n")
        os.unlink(g + "/configs/c.1/hid.usb0")
        os.rmdir(g + "/configs/c.1")
        os.rmdir(g + "/functions/hid.usb0")
        os.rmdir(g + "/strings/0x409")
        os.rmdir(g)
        wait_for(lambda: node not in hidraw_nodes(), 10)


def main():
    global ARGS
    p = argparse.ArgumentParser()
    p.add_argument("--exe", required=True)
    p.add_argument("--firmware", required=True)
    p.add_argument("--rule", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--only", nargs="*")
    ARGS = p.parse_args()
    os.makedirs(SCRATCH, exist_ok=True)
    started = time.monotonic()
    say("kernel %s, program %s" % (os.uname().release, ARGS.exe))
    for run, name in ((report_sizes, "report_sizes"), (dump_and_dfu, "dump_and_dfu"), (hot_plug, "hot_plug"),
                      (removal_said, "removal_said"), (pulled_during_configuration, "pulled_during_configuration"), (two_copies, "two_copies"),
                      (late_reply, "late_reply"), (udev_rule, "udev_rule")):
        if ARGS.only and name not in ARGS.only:
            continue
        run()
    say("%d failed assertion(s) in %.0f s" % (len(FAILURES), time.monotonic() - started))
    for f in FAILURES:
        say("  FAILED: " + f)
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
