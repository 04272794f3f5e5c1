# What the two virtual-machine tests share; sourced by tests/kernel/run.sh
# and tests/systemd/run.sh.
#   vm_initramfs <dir> <init> <modules...>: a busybox initramfs <dir>.gz with
#       <init> as /init and the kernel modules named (with what they need)
#   vm_run <initramfs.gz> <results dir> <log> <kernel arguments>: boots it with
#       the host's root read-only and the results folder as 9p shares

vm_kernel=$(ls -1 /boot/vmlinuz-* | sort -V | tail -n 1)
vm_version=${vm_kernel#/boot/vmlinuz-}

vm_initramfs() {
    local root=$1 init=$2
    shift 2
    mkdir -p "$root"/{bin,proc,sys,dev,modules}
    cp /bin/busybox "$root/bin/busybox"
    cp "$init" "$root/init"
    chmod +x "$root/init"
    : >"$root/modules/order"
    for m in "$@"; do modprobe -S "$vm_version" --show-depends "$m"; done |
        awk '$1 == "insmod" && !seen[$2]++ { print $2 }' | while read -r ko; do
        cp "$ko" "$root/modules/"
        basename "$ko" >>"$root/modules/order"
    done
    (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$root.gz"
}

vm_run() {
    local initramfs=$1 results=$2 log=$3 append=$4
    timeout 1200 qemu-system-x86_64 -machine pc -accel tcg,thread=multi -smp 2 -m 2048 -nographic -no-reboot \
        -kernel "$vm_kernel" -initrd "$initramfs" -append "console=ttyS0 panic=-1 quiet $append" \
        -fsdev local,id=host,path=/,security_model=none,readonly=on,multidevs=remap \
        -device virtio-9p-pci,fsdev=host,mount_tag=hostroot \
        -fsdev local,id=results,path="$results",security_model=none \
        -device virtio-9p-pci,fsdev=results,mount_tag=results \
        >"$log" 2>&1
}
