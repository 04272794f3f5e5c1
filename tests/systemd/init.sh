#!/bin/busybox sh
# The virtual machine's first process: the host's root read-only over 9p
# under a writable overlay in memory, the results share at /mnt and the
# test's units in /etc/systemd/system; then systemd takes over as PID 1.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in $(cat /modules/order); do insmod "/modules/$m"; done
mkdir -p /lower /rw /newroot
for try in 1 2 3 4 5 6 7 8 9 10; do
    mount -t 9p -o trans=virtio,version=9p2000.L,ro,msize=262144,cache=loose hostroot /lower && break
    sleep 0.5
done
mount -t tmpfs -o size=1536m rw /rw
mkdir -p /rw/upper /rw/work
mount -t overlay overlay -o lowerdir=/lower,upperdir=/rw/upper,workdir=/rw/work /newroot ||
    { echo "no overlay"; poweroff -f; }
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 results /newroot/mnt || echo "no results share"
cp /units/* /newroot/etc/systemd/system/
# The test's target is the machine's default; the host's marks of a
# container would make systemd ignore the kernel's command line.
ln -sf vs-test.target /newroot/etc/systemd/system/default.target
rm -f /newroot/.dockerenv /newroot/run/.containerenv
umount /proc /sys
exec switch_root /newroot /lib/systemd/systemd
