#!/usr/bin/env bash
# A building on one machine: N headless copies (default 30) with simulated
# sticks (one or two each, some without a serial number), each publishing to
# one mosquitto and scraped every 15 s by one Prometheus, for a few minutes
# (default 180 s of measuring after a 20 s start). Prints per copy the CPU as
# a share of one core and the resident memory, the broker's CPU and the
# messages it carried per second, the scrape durations, and how long after a
# restart of the broker (without persistence) every stick's availability is
# "online" again, and that every stick and node has its own discovery configs.
#   bash bench/fleet.sh [exe] [copies] [seconds]
set -euo pipefail
exe=$(realpath "${1:-build/bin/ventiscope}")
copies=${2:-30}
seconds=${3:-180}
tick=$(getconf CLK_TCK)
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
rss_kib() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }

broker_port=$(free_port)
printf 'listener %s 127.0.0.1\npersistence false\nuser root\nallow_anonymous true\nmax_queued_messages 100000\n' \
    "$broker_port" >"$work/mosquitto.conf"
mosquitto -c "$work/mosquitto.conf" >"$work/mosquitto.log" 2>&1 &
broker=$!
pids+=("$broker")

targets=()
copy_pids=()
sticks=0
for ((i = 0; i < copies; i++)); do
    home="$work/copy$i"
    port=$(free_port)
    mkdir -p "$home/Ventiscope"
    printf '[MQTT]\nEnabled=1\nHost=127.0.0.1\nPort=%s\nNodeId=room%02d\n[Metrics]\nEnabled=1\nListen=127.0.0.1:%s\n' \
        "$broker_port" "$i" "$port" >"$home/Ventiscope/Ventiscope.ini"
    # Each stick its own serial number; every third copy has two sticks,
    # every fifth's first stick reports no serial number.
    first="5=ROOM${i}A"
    ((i % 5 == 0)) && first="5="
    simulate=$first
    ((i % 3 == 0)) && simulate="$first,1/33=ROOM${i}B"
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home" XDG_DATA_HOME="$home/data" \
        VENTISCOPE_SIMULATE="$simulate" "$exe" --headless >"$home/out.txt" 2>&1 &
    copy_pids+=("$!")
    pids+=("$!")
    targets+=("'127.0.0.1:$port'")
    sticks=$((sticks + (i % 3 == 0 ? 2 : 1)))
done

prom_port=$(free_port)
cat >"$work/prometheus.yml" <<EOF
global:
  scrape_interval: 15s
scrape_configs:
  - job_name: ventiscope
    static_configs:
      - targets: [$(IFS=,; echo "${targets[*]}")]
EOF
prometheus --config.file="$work/prometheus.yml" --storage.tsdb.path="$work/tsdb" \
    --web.listen-address="127.0.0.1:$prom_port" >"$work/prometheus.log" 2>&1 &
prom=$!
pids+=("$prom")

echo "fleet: $copies copies, $sticks simulated sticks, one mosquitto, one Prometheus (scrape every 15 s); measuring ${seconds} s"
sleep 20

here=$(dirname "$(realpath "$0")")
mqtt_watch() { python3 "$here/mqtt_watch.py" "$broker_port" "$@"; }

declare -A before
for p in "${copy_pids[@]}" "$broker"; do before[$p]=$(cpu_ticks "$p"); done
start=$(date +%s.%N)
rate=$(mqtt_watch count "$seconds")
end=$(date +%s.%N)
wall=$(awk -v a="$start" -v b="$end" 'BEGIN {print b - a}')

cpu_list=()
rss_list=()
for p in "${copy_pids[@]}"; do
    cpu_list+=("$(awk -v a="${before[$p]}" -v b="$(cpu_ticks "$p")" -v t="$tick" -v w="$wall" 'BEGIN {printf "%.3f", 100 * (b - a) / t / w}')")
    rss_list+=("$(rss_kib "$p")")
done
stats() { printf '%s\n' "$@" | sort -n | awk '{v[NR] = $1; s += $1} END {printf "median %.3f, mean %.3f, max %.3f", v[int((NR + 1) / 2)], s / NR, v[NR]}'; }
echo "per copy CPU (% of one core): $(stats "${cpu_list[@]}")"
echo "per copy resident memory (MB): $(stats $(printf '%s\n' "${rss_list[@]}" | awk '{printf "%.1f\n", $1 / 1024}'))"
broker_cpu=$(awk -v a="${before[$broker]}" -v b="$(cpu_ticks "$broker")" -v t="$tick" -v w="$wall" 'BEGIN {printf "%.3f", 100 * (b - a) / t / w}')
echo "mosquitto: $broker_cpu % of one core, $(rss_kib "$broker" | awk '{printf "%.1f", $1 / 1024}') MB, $rate messages per second to a subscriber of everything"

query() {
    python3 - "$prom_port" "$1" <<'EOF'
import json, sys, urllib.parse, urllib.request
port, expr = sys.argv[1], sys.argv[2]
url = "http://127.0.0.1:%s/api/v1/query?query=%s" % (port, urllib.parse.quote(expr))
r = json.load(urllib.request.urlopen(url))["data"]["result"]
print(" ".join("%.4g" % float(x["value"][1]) for x in r) or "none")
EOF
}
echo "targets up: $(query 'sum(up{job="ventiscope"})') of $copies"
echo "scrape duration (ms): median $(query '1000 * quantile(0.5, scrape_duration_seconds{job="ventiscope"})'), max $(query '1000 * max(max_over_time(scrape_duration_seconds{job="ventiscope"}[5m]))')"
echo "series per scrape: median $(query 'quantile(0.5, scrape_samples_scraped{job="ventiscope"})')"

# The broker restarts without its retained messages: how long until every stick is "online" again.
kill -TERM "$broker"
wait "$broker" 2>/dev/null || true
sleep 2
mosquitto -c "$work/mosquitto.conf" >>"$work/mosquitto.log" 2>&1 &
broker=$!
pids+=("$broker")
echo "broker restart without persistence: every one of $sticks sticks online again after $(mqtt_watch online "$sticks") s (2 s of the broker away)"
echo "discovery configs on the broker: $(mqtt_watch configs 3) (each stick 10, each node 1: $((10 * sticks + copies)) expected)"
