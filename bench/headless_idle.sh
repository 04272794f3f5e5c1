#!/usr/bin/env bash
# Idle cost of the headless service: two simulated sticks read once a second
# for a period (default 60 s), first without scraping, then with the metrics
# scraped every second. Prints CPU time as a share of one core and the
# resident memory at the end of each run.
set -euo pipefail
exe=${1:-build/bin/ventiscope}
seconds=${2:-60}
tick=$(getconf CLK_TCK)

run() {
    local scrape=$1 home port pid
    home=$(mktemp -d)
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    mkdir -p "$home/Ventiscope"
    printf '[HIDsettings]\nLog2file=1\nLogFile=%s/values.log\n[Metrics]\nEnabled=1\nListen=127.0.0.1:%s\n' \
        "$home" "$port" >"$home/Ventiscope/Ventiscope.ini"
    env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_CONFIG_HOME="$home" VENTISCOPE_SIMULATE=5,5 \
        "$exe" --headless >"$home/out.txt" 2>&1 &
    pid=$!
    sleep 3 # start-up and the first passes are not idle
    read -r -a before < <(cut -d' ' -f14,15 /proc/$pid/stat)
    local start end
    start=$(date +%s.%N)
    for ((i = 0; i < seconds; i++)); do
        [ "$scrape" = yes ] && curl -s -o /dev/null "http://127.0.0.1:$port/metrics"
        sleep 1
    done
    end=$(date +%s.%N)
    read -r -a after < <(cut -d' ' -f14,15 /proc/$pid/stat)
    local rss
    rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
    local lines
    lines=$(wc -l <"$home/values.log")
    kill -TERM $pid
    wait $pid || true
    awk -v u0="${before[0]}" -v s0="${before[1]}" -v u1="${after[0]}" -v s1="${after[1]}" -v t="$tick" \
        -v a="$start" -v b="$end" -v rss="$rss" -v scrape="$scrape" -v lines="$lines" 'BEGIN {
        cpu = ((u1 - u0) + (s1 - s0)) / t
        printf "scraping=%-3s  wall %.1f s  cpu %.3f s = %.3f %% of one core  RSS %.1f MB  log lines %d\n",
               scrape, b - a, cpu, 100 * cpu / (b - a), rss / 1024, lines }'
    rm -rf "$home"
}

run no
run yes
