#!/usr/bin/env bash
# Installs the package built by scripts/package.sh, runs the installed
# program once with a simulated stick and the dump switch and once with its
# history, checks its files, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls build-package/ventiscope_*.deb)
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
fail() { echo "install test: $*" >&2; "${sudo_cmd[@]}" dpkg -r ventiscope >/dev/null 2>&1 || true; exit 1; }

# What the package holds: everything a desktop needs, nothing from the build folder.
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for want in ./usr/bin/ventiscope ./usr/share/applications/ventiscope.desktop \
    ./usr/share/metainfo/org.ventiscope.Ventiscope.metainfo.xml \
    ./usr/share/icons/hicolor/48x48/apps/ventiscope.png ./usr/share/icons/hicolor/scalable/apps/ventiscope.svg \
    ./usr/lib/udev/rules.d/70-ventiscope.rules ./usr/lib/systemd/system/ventiscope.service \
    ./usr/share/ventiscope/ventiscope.htm \
    ./usr/share/ventiscope/airstate_green.bmp ./usr/share/ventiscope/warning_1.wav \
    ./usr/share/doc/ventiscope/copyright ./usr/share/man/man1/ventiscope.1.gz \
    ./etc/ventiscope/Ventiscope.ini ./etc/logrotate.d/ventiscope ./usr/lib/modules-load.d/ventiscope.conf; do
    grep -qx -- "$want" <<<"$files" || fail "the package lacks $want"
done
if grep -E 'CMakeFiles|build|\.o$|\.a$' <<<"$files"; then fail "the package holds build files"; fi

conffiles=$(dpkg-deb -I "$deb" conffiles)
for want in /etc/ventiscope/Ventiscope.ini /etc/logrotate.d/ventiscope; do
    grep -qx -- "$want" <<<"$conffiles" || fail "$want is not a conffile"
done

"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
# The installed program finds its data beside it: /usr/bin/../share/ventiscope.
for f in airstate_green.bmp warning_1.wav ventiscope.htm desktop/icons/48x48/ventiscope.png; do
    [ -f "/usr/bin/../share/ventiscope/$f" ] || fail "the installed data folder lacks $f"
done
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" QT_QPA_PLATFORM=offscreen \
    VENTISCOPE_SIMULATE=5 timeout 60 /usr/bin/ventiscope "/dump=$home/dump.txt" >/dev/null 2>&1 ||
    fail "the installed program did not end cleanly"
grep -q "Ventiscope simulated stick 0" "$home/dump.txt" || fail "no dump line written"
# The installed program keeps a history: a value log goes in and comes back out.
printf '"Date time[yyyy-mm-dd Hh:Nn:Ss]"\t "CO2eq[ppm]"\t \r\n2026-12-07 10:00:00\t 812,5\t \r\n' >"$home/log.txt"
history_env=(env -u DISPLAY HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data")
"${history_env[@]}" /usr/bin/ventiscope --import-log="$home/log.txt" --stick=INSTALLED >/dev/null 2>&1 ||
    fail "the installed program did not import a value log"
exported=$("${history_env[@]}" /usr/bin/ventiscope --export-history --stick=INSTALLED 2>/dev/null) ||
    fail "the installed program did not export its history"
grep -q "^2026-12-07T10:00:00.*,812.5" <<<"$exported" || fail "the imported value did not come back: $exported"
desktop-file-validate /usr/share/applications/ventiscope.desktop
systemd-analyze verify /usr/lib/systemd/system/ventiscope.service || fail "the service unit does not verify"
# The unit's exposure, as systemd rates it: 2.5 at most.
systemd-analyze security --offline=true --threshold=25 /usr/lib/systemd/system/ventiscope.service >/dev/null ||
    fail "the service unit is exposed more than 2.5: $(systemd-analyze security --offline=true \
        /usr/lib/systemd/system/ventiscope.service | tail -n 1)"
appstreamcli validate --no-net /usr/share/metainfo/org.ventiscope.Ventiscope.metainfo.xml >/dev/null

# Enabled by the administrator, then removed: no link to a unit that is gone;
# installed again, enabled and purged: nothing of it is left.
wants=/etc/systemd/system/multi-user.target.wants/ventiscope.service
enable() { # as "systemctl enable ventiscope" does
    "${sudo_cmd[@]}" mkdir -p "$(dirname "$wants")"
    "${sudo_cmd[@]}" ln -sf /usr/lib/systemd/system/ventiscope.service "$wants"
}
enable
# What the service kept (as systemd's DynamicUser keeps it): remove keeps it, purge removes it.
state=/var/lib/private/ventiscope
"${sudo_cmd[@]}" mkdir -p "$state/Ventiscope"
"${sudo_cmd[@]}" touch "$state/values.txt" "$state/Ventiscope/history.sqlite"
"${sudo_cmd[@]}" dpkg -r ventiscope >/dev/null
[ ! -e /usr/bin/ventiscope ] || fail "the program is still there after removal"
[ ! -L "$wants" ] || fail "removal left the service enabled"
[ -e "$state/Ventiscope/history.sqlite" ] || fail "removal took the service's history"
"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
enable
"${sudo_cmd[@]}" dpkg -P ventiscope >/dev/null
[ ! -L "$wants" ] || fail "purging left the service enabled"
[ ! -e "$state" ] || fail "purging left the service's state folder $state"
[ ! -e /etc/ventiscope ] || fail "purging left /etc/ventiscope"
[ ! -e /var/lib/systemd/deb-systemd-helper-enabled/ventiscope.service.dsh-also ] ||
    fail "purging left the service's state behind"
echo "install test: the package installs, runs, writes the dump line, disables its service and removes cleanly"
