#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (tests/fuzz/corpus/): small
valid inputs for each parser, from which the fuzzer starts. Run from
anywhere; rewrites the corpus."""
import pathlib

corpus = pathlib.Path(__file__).resolve().parent.parent / "tests" / "fuzz" / "corpus"


def write(target, name, data):
    folder = corpus / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def reports(text, length):
    """A reply cut into input reports for the exchange target: each report is
    one control byte (not a multiple of 16) and length-1 payload bytes."""
    raw = text.encode("latin-1")
    payload = length - 1
    out = b""
    for at in range(0, len(raw), payload):
        chunk = raw[at:at + payload]
        out += b"\x01" + chunk + b"\x00" * (payload - len(chunk))
    return out


# The exchange: a whole configuration, then values and flags.
for length_index, length in enumerate((9, 33, 65)):
    replies = [
        "n;h;2.3p5;https://x;MCU=X;Title;S/N:1;;\n",
        "CO2_warn;ppm;1;0;5000;0;1000;R_limit;;1;0;9;0;7;;\n",
        "&h02;0;CO2;ppm;1;0;5000;0;0;&h02;1;T;C;0.1;-400;1200;0;0;\n",
        "F1;F2;\n",
        "&h0001;&h0000;;\n",
        "\x14\x02\x01\x02\x14\x02\x00\xff;;\n",
        "&h0001;&h0000;;\n",
    ]
    data = bytes([length_index, 2])
    for tag, reply in enumerate(replies, start=1):
        data += reports("@%04X;" % tag + reply, length)
    write("exchange", "config_%d" % length, data)
write("exchange", "binary_reply", bytes([0, 6]) + reports("@\x67\x00\x10\x00\x20", 9) + b"\x00")
write("exchange", "gaps", bytes([1, 1, 0, 0, 0x10, 0x20]))

# The escaper and field conversions: text, length prefixes, hexadecimal fields.
write("fields", "text", b"\x20\x08@0001;a;;&h7FFF;-12.5e3;\x0A")
write("fields", "binary", b"\x10\x04;\x14\x02\x01\x02;\x18\x04\x00\x00\x00\x01;\x19\x00;\x0A")
write("fields", "escapes", b"\x01\x03\\x41\\n\\\\ &hFFFFFFFF& 1e400")

# Report descriptors: the test descriptors of real devices' kinds, as bytes.
for path in sorted((corpus.parent.parent / "stick" / "descriptors").glob("*.txt")):
    hexdigits = "".join(line.split("#")[0] for line in path.read_text().splitlines())
    write("hid_descriptor", path.stem, bytes.fromhex(hexdigits.replace(" ", "")))

# The simulated stick's commands, one per line.
write("sim_firmware", "commands", bytes([5, 0]) +
      b"*IDN?\nKNOBPRE?\nWFMPRE?\nFLAGS?\nFLAGGET?\nKNOBSET CO2_warn=1200\nFLAGSET F1=1\n"
      b"RECORDS?\nLBR 1\nLBSIZE?\nFLSTART\nFLSTOP\nLBRM;\nLBAVG;\n*TR\nTRF?\n*RST\n")
write("sim_firmware", "spec", bytes([1, 1]) + b"5,1/33,3/65")

# Settings texts as users write them.
write("settings_conversions", "numbers", b"\x20 12.5abc")
write("settings_conversions", "escaped", b"\x10\\x53\\x00\\x74\\x00\\xE9\\x00")
write("settings_conversions", "flag", b"\x01True")

# What a network peer sends: each piece starts with its length byte.
def pieces(text):
    raw = text.encode("latin-1")
    return b"".join(bytes([len(raw[i:i + 100]) - 1]) + raw[i:i + 100] for i in range(0, len(raw), 100))
write("net_interpreter", "session", pieces(
    "0001:Nym>ls\nadd [USB:X:0]M|2|0|CO2|ppm|812.5|1|T|C|21\r\nupdateplot\r\n"
    "update [USB:X:0]2|21.5|800\r\ntrg\nm hello\nver\nhelp\n? oops\r\nbye\n"))
write("net_interpreter", "short_lines", pieces("a\n\r\nNym>x\nadd [q]M|0\n"))

# Command lines.
write("command_line", "dump_and_switches", b'/dump="/tmp/a b/dfu.txt" /RST /dfu')
write("command_line", "plain", b"/dump=/srv/rstudio/d.txt")

# History: a stored minute of two channels, and value logs.
def varint_value(v):
    n = round(v * 100)
    z = ((n << 1) ^ (n >> 63)) << 1
    out = b""
    while True:
        byte = z & 0x7F
        z >>= 7
        out += bytes([byte | (0x80 if z else 0)])
        if not z:
            return out
minute = b"".join(offset.to_bytes(2, "little") + varint_value(co2) + varint_value(temp)
                  for offset, co2, temp in ((0, 812, 21.25), (1000, 813, -3.5), (59999, 4294967.29, 0)))
write("history_files", "minute", bytes([1, 0]) + minute + b"\x00\x00\x01" + bytes(8) + varint_value(1))
write("history_files", "log_two_sticks", bytes([1, 1]) +
      b'"Date time[yyyy-mm-dd Hh:Nn:Ss]"\t "0:CO2eq[ppm]"\t "0:Temp[C]"\t "1:CO2eq[ppm]"\t \r\n'
      b"2026-03-29 01:59:58\t 812\t 21.25\t 450\t \r\n"
      b"2026-03-29 03:00:01\t 813\t 21,5\t 451\t Stick 1: no answer\r\n"
      b"garbage\t 1\r\n")
write("history_files", "log_one_stick", bytes([0, 1]) +
      b'"Date time[yyyy-mm-dd Hh:Nn:Ss]"\t "CO2eq[ppm]"\t \r\n2026-12-07 10:00:00\t 700\t \r\n')
