#!/bin/bash
# Runs inside the virtual machine under systemd as PID 1: the README's
# service set-up on the built package, then what an administrator does to a
# daemon. Every step is said; the first failure ends the job.
#   job.sh <deb> <vs_uhid_stick>
set -u
deb=$1
firmware=$2
t0=$(date +%s)
step() { echo "[$(( $(date +%s) - t0 )) s] $*"; }
end() {
    echo "$1" >/mnt/exit-code
    sync
    systemctl poweroff --force --force
}
fail() {
    echo "FAILED: $*"
    systemctl status ventiscope --no-pager 2>&1 | tail -n 5
    journalctl -u ventiscope --no-pager -o short-monotonic 2>&1 | tail -n 40
    end 1
    exit 1
}
# Waits up to $1 s for the command after it to succeed.
wait_for() {
    local limit=$1
    shift
    for _ in $(seq $((limit * 2))); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.5
    done
    return 1
}
metrics() { curl -sf --max-time 5 http://127.0.0.1:9464/metrics; }
stick_in_metrics() { metrics | grep -q 'ventiscope_stick_open{.*serial="SVC0001".*} 1'; }
main_pid() { systemctl show -p MainPID --value ventiscope; }
log=/var/lib/private/ventiscope/values.txt

step "systemd $(systemctl --version | head -n 1 | cut -d' ' -f2) is PID 1: $(ps -o comm= -p 1)"
# The manual pages' index is not rebuilt for one package.
rm -f /var/lib/man-db/auto-update
step "installing the package"
dpkg -i "$deb" >/mnt/dpkg.txt 2>&1 || fail "dpkg -i: $(tail -n 3 /mnt/dpkg.txt)"

# The README's set-up: enable, edit the settings file, restart.
systemctl enable --now ventiscope.service || fail "the unit does not start"
sed -i 's/^;ReadInterval=1/ReadInterval=1/' /etc/ventiscope/Ventiscope.ini
systemctl restart ventiscope.service || fail "the unit does not restart"
[ "$(systemctl show -p Type --value ventiscope)" = notify ] || fail "the unit is not Type=notify"
step "the service is ready: $(systemctl show -p StatusText --value ventiscope)"

modprobe uhid
modprobe hid-generic
"$firmware" --serial SVC0001 --ready /run/stick-ready --log /run/stick.log &
wait_for 180 test -e /run/stick-ready || fail "no virtual stick"
udevadm settle --timeout=30
node=$(ls /dev/hidraw* | head -n 1)
step "a stick at $node, $(stat -c '%G %a' "$node")"
[ "$(stat -c '%G %a' "$node")" = "plugdev 660" ] || fail "the shipped rule did not give $node to plugdev"
wait_for 300 stick_in_metrics || fail "the stick never appeared in the metrics: $(metrics | grep stick_open)"
step "the stick is sampled and in the metrics"
wait_for 180 test -s "$log" || fail "no value log at $log"
head -n 1 "$log" | grep -q '^"Date time' || fail "the value log does not start with its header"

pid=$(main_pid)
kill -9 "$pid"
wait_for 180 bash -c "[ \"\$(systemctl show -p MainPID --value ventiscope)\" != $pid ] && \
    [ \"\$(systemctl show -p MainPID --value ventiscope)\" != 0 ] && systemctl is-active -q ventiscope" ||
    fail "the killed service was not restarted"
wait_for 300 stick_in_metrics || fail "the restarted service does not sample the stick"
step "killed with SIGKILL, restarted as $(main_pid)"

# A rotation: logrotate moves the log away and reloads the service.
pid=$(main_pid)
lines_before=$(wc -l <"$log")
logrotate -f /etc/logrotate.d/ventiscope || fail "logrotate failed"
[ -e "$log.1" ] || fail "logrotate did not rotate $log"
wait_for 180 test -s "$log" || fail "no new value log after the rotation"
head -n 1 "$log" | grep -q '^"Date time' || fail "the rotated-to value log has no header"
[ "$(main_pid)" = "$pid" ] && systemctl is-active -q ventiscope || fail "the reload ended the service"
journalctl -u ventiscope --no-pager | grep -q "Reloaded: the value log" || fail "the reload was not said"
step "rotated ($lines_before lines moved), reloaded, the new log starts with its header"

start=$(date +%s%N)
systemctl stop ventiscope.service
took=$(( ($(date +%s%N) - start) / 1000000 ))
# Within the unit's stop time-out: a stop that ran over would end as "timeout".
[ "$(systemctl show -p Result --value ventiscope)" = success ] ||
    fail "the stop ended as $(systemctl show -p Result --value ventiscope)"
journalctl -u ventiscope --no-pager | grep -q "Ventiscope service ended" || fail "the end was not said"
step "stopped in $took ms"

dpkg -P ventiscope >>/mnt/dpkg.txt 2>&1 || fail "dpkg -P failed"
for gone in /var/lib/private/ventiscope /var/lib/ventiscope /etc/ventiscope /usr/bin/ventiscope; do
    [ ! -e "$gone" ] || fail "purge left $gone"
done
step "purged: nothing left"
end 0
