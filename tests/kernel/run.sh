#!/usr/bin/env bash
# Runs the program against a real Linux kernel: a qemu machine (software
# emulation) boots Debian's kernel with the host's root file system shared
# read-only over 9p, makes virtual sticks through /dev/uhid (answered by
# vs_uhid_stick, the program's simulated stick), runs systemd-udevd, and drives the real program through
# the scenarios of scenarios.py. Fails when any assertion fails.
#
#   bash tests/kernel/run.sh [path/to/ventiscope]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
exe=$(realpath "${1:-$top/build/bin/ventiscope}")
stick=$(dirname "$exe")/vs_uhid_stick
[ -x "$exe" ] && [ -x "$stick" ] || { echo "kernel test: no program or no vs_uhid_stick beside $exe (build first)" >&2; exit 2; }
bash "$top/scripts/deps.sh" qemu-system-x86 linux-image-amd64 busybox-static cpio kmod udev python3

source "$here/vm.sh"
work=$(mktemp -d /tmp/vs-kernel.XXXXXX)
trap 'rm -rf "$work"' EXIT
results=$work/results
mkdir -p "$results"
mkdir -p "$work/initramfs/host"
vm_initramfs "$work/initramfs" "$here/init.sh" 9p 9pnet_virtio virtio_pci

cat >"$results/job.sh" <<JOB
set -u
mkdir -p /run/vs-tmp
export TMPDIR=/run/vs-tmp
ip link set lo up
modprobe uhid
modprobe hid-generic
/lib/systemd/systemd-udevd --daemon
udevadm trigger --action=add >/dev/null 2>&1
udevadm settle --timeout=30
PYTHONDONTWRITEBYTECODE=1 python3 '$here/scenarios.py' --exe '$exe' --firmware '$stick' \
    --rule '$top/data/70-ventiscope.rules' --out /mnt ${VS_KERNEL_ONLY:+--only $VS_KERNEL_ONLY}
echo \$? >/mnt/exit-code
JOB

started=$(date +%s)
status=0
vm_run "$work/initramfs.gz" "$results" "$work/console.log" "" || status=$?
elapsed=$(( $(date +%s) - started ))

cat "$results/job.log" 2>/dev/null || true
if [ "$status" -ne 0 ] || [ "$(cat "$results/exit-code" 2>/dev/null)" != 0 ]; then
    echo "kernel test: FAILED after ${elapsed} s (qemu exit $status); the machine's console:" >&2
    tail -n 40 "$work/console.log" >&2
    for f in "$results"/*.out "$results"/*.txt; do
        [ -f "$f" ] && { echo "---- $(basename "$f")" >&2; tail -n 30 "$f" >&2; }
    done
    exit 1
fi
echo "kernel test: passed in ${elapsed} s on kernel $vm_version"
