#!/bin/busybox sh
# The virtual machine's first process: the 9p file system modules, the host's
# root read-only at /host with fresh /proc, /sys, /dev and /run over it (the
# host's /tmp stays visible: the program under test may live there), the
# results share at /host/mnt; then the job runs inside that root.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in $(cat /modules/order); do insmod "/modules/$m"; done
# The virtio devices come up a moment after their modules.
for try in 1 2 3 4 5 6 7 8 9 10; do
    mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144,cache=loose hostroot /host && break
    sleep 0.5
done
[ -d /host/proc ] || { echo "no host root"; dmesg | tail -n 20; }
mount -t proc proc /host/proc
mount -t sysfs sys /host/sys
mount -t devtmpfs dev /host/dev
mkdir -p /host/dev/pts /host/dev/shm
mount -t devpts devpts /host/dev/pts
mount -t tmpfs shm /host/dev/shm
mount -t tmpfs run /host/run
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 results /host/mnt || echo "no results share"
chroot /host /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/sh /mnt/job.sh >/host/mnt/job.log 2>&1
echo "job ended: $?"
sync
poweroff -f
