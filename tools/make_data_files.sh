#!/usr/bin/env bash
# Makes the pictures, icons and sounds shipped in data/ (needs ImageMagick and python3).
set -euo pipefail
cd "$(dirname "$0")/../data"

light() { # name, lit colour of the top/middle/bottom lamp (or "none")
    local name=$1 top=$2 middle=$3 bottom=$4
    convert -size 80x200 xc:'#f0f0f0' \
        -fill '#303030' -draw 'roundrectangle 10,5 70,195 14,14' \
        -fill "$top" -draw 'circle 40,40 40,18' \
        -fill "$middle" -draw 'circle 40,100 40,78' \
        -fill "$bottom" -draw 'circle 40,160 40,138' \
        BMP3:"airstate_$name.bmp"
    convert "airstate_$name.bmp" -resize 32x32 -background '#f0f0f0' -gravity center -extent 32x32 "icon_$name.ico"
}
off='#505050'
light null "$off" "$off" "$off"
light green "$off" "$off" '#20d040'
light yellow "$off" '#ffd000' "$off"
light red '#ff2020' "$off" "$off"

# The program's icon: a stick with three rising bars.
convert -size 64x64 xc:none -fill '#2060a0' -draw 'roundrectangle 4,4 60,60 10,10' \
    -fill '#40d060' -draw 'rectangle 14,40 22,52' -fill '#ffd000' -draw 'rectangle 28,30 36,52' \
    -fill '#ff4040' -draw 'rectangle 42,18 50,52' Ventiscope.ico

# The small logo over the plot's top right corner.
convert -size 40x18 xc:'#2060a0' -fill white -draw 'rectangle 6,11 9,14' -draw 'rectangle 14,7 17,14' \
    -draw 'rectangle 22,3 25,14' -fill '#ffd000' -draw 'rectangle 30,9 33,14' BMP3:logo_small.bmp

python3 - <<'PY'
import math, struct, wave

def tones(name, parts):
    rate = 22050
    frames = bytearray()
    for freq, ms in parts:
        n = rate * ms // 1000
        for i in range(n):
            edge = min(1.0, i / 200, (n - 1 - i) / 200)
            v = 0 if freq == 0 else math.sin(2 * math.pi * freq * i / rate) * edge * 12000
            frames += struct.pack('<h', int(v))
    with wave.open(name, 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(bytes(frames))

tones('warning_1.wav', [(880, 180), (0, 80), (880, 180)])
tones('warning_2.wav', [(1320, 150), (0, 60), (990, 150), (0, 60), (1320, 150), (0, 60), (990, 300)])
PY
