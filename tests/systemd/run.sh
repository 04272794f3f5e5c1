#!/usr/bin/env bash
# Runs the built Debian package under a real systemd: a qemu machine
# (software emulation) boots Debian's kernel, lays a writable overlay in
# memory over the host's root shared read-only over 9p, and starts systemd
# as PID 1, which runs job.sh: install the package, the README's set-up, a
# virtual stick through /dev/uhid seen through the shipped udev rule and
# group, SIGKILL and restart, a log rotation with reload, stop, purge.
#
#   bash tests/systemd/run.sh [path/to/ventiscope_*.deb [path/to/vs_uhid_stick]]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
deb=$(realpath "${1:-$(ls "$top"/build-package/ventiscope_*.deb | head -n 1)}")
stick=$(realpath "${2:-$top/build/bin/vs_uhid_stick}")
[ -f "$deb" ] || { echo "systemd test: no package at $deb (scripts/package.sh builds it)" >&2; exit 2; }
[ -x "$stick" ] || { echo "systemd test: no virtual stick at $stick (build first)" >&2; exit 2; }
bash "$top/scripts/deps.sh" qemu-system-x86 linux-image-amd64 busybox-static cpio kmod udev logrotate curl

source "$top/tests/kernel/vm.sh"
work=$(mktemp -d /tmp/vs-systemd.XXXXXX)
trap 'rm -rf "$work"' EXIT
results=$work/results
mkdir -p "$results" "$work/initramfs/units"
cp "$here/vs-test.target" "$here/vs-test.service" "$work/initramfs/units/"
vm_initramfs "$work/initramfs" "$here/init.sh" 9p 9pnet_virtio virtio_pci overlay
cp "$deb" "$results/ventiscope.deb"
cp "$here/job.sh" "$results/job.sh"
cp "$stick" "$results/vs_uhid_stick"

started=$(date +%s)
status=0
vm_run "$work/initramfs.gz" "$results" "$work/console.log" \
    "systemd.unit=vs-test.target systemd.show_status=0 systemd.firstboot=off" || status=$?
elapsed=$(( $(date +%s) - started ))

cat "$results/job.log" 2>/dev/null || true
if [ "$status" -ne 0 ] || [ "$(cat "$results/exit-code" 2>/dev/null)" != 0 ]; then
    echo "systemd test: FAILED after ${elapsed} s (qemu exit $status); the machine's console:" >&2
    tail -n 40 "$work/console.log" >&2
    exit 1
fi
echo "systemd test: passed in ${elapsed} s under systemd $(systemctl --version | head -n 1 | cut -d' ' -f2)"
