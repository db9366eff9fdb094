#!/usr/bin/env bash
# Runs the program for MINUTES of real time on a private X server, playing,
# scanning and flashing into a silent PulseAudio sink, and prints its resident
# memory, open file descriptors, threads and CPU use once a minute, with the
# figures at the start and at the end.
# Usage: scripts/soak.sh MINUTES [BUILD_DIR]   (default build-test, built if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:?usage: soak.sh MINUTES [BUILD_DIR]}
dir=${2:-build-test}
for tool in Xvfb pactl; do
  command -v "$tool" >/dev/null || { echo "soak: $tool is missing (scripts/install-deps.sh --test)"; exit 1; }
done
[[ -f "$dir/build.ninja" ]] || cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
cmake --build "$dir" --target aurelith_soakdriver >/dev/null
driver=$(realpath "$dir/tests/aurelith_soakdriver")

work=$(mktemp -d)
xvfb_pid=
app_pid=
source scripts/start-test-audio.sh
cleanup() {
  set +e
  [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  stop_test_audio
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=pulseaudio PULSE_SINK=out
unset DBUS_SESSION_BUS_ADDRESS
mkdir -m 700 "$work/data"

"$driver" "$minutes" "$work/data" >"$work/app.log" 2>&1 &
app_pid=$!
for _ in $(seq 200); do grep -q '^playing' "$work/app.log" && break; sleep 0.1; done
grep -q '^playing' "$work/app.log" || { cat "$work/app.log"; echo "soak: the program did not start playing"; exit 1; }
cat "$work/app.log"

hz=$(getconf CLK_TCK)
# Prints one row: minute, RSS, descriptors, threads, CPU over the last interval.
last_ticks=0 last_time=0 first_ticks=0 first_time=0
sample() {
  local status ticks time rss fds threads
  status=$(cat "/proc/$app_pid/status") || return 1
  rss=$(awk '/^VmRSS/ {print $2}' <<<"$status")
  threads=$(awk '/^Threads/ {print $2}' <<<"$status")
  fds=$(ls "/proc/$app_pid/fd" | wc -l)
  ticks=$(awk '{print $14 + $15}' "/proc/$app_pid/stat")
  time=$(date +%s.%N)
  local cpu=-
  [[ "$last_time" != 0 ]] && cpu=$(awk -v t="$ticks" -v lt="$last_ticks" -v n="$time" -v ln="$last_time" -v hz="$hz" \
    'BEGIN {printf "%.2f", 100 * (t - lt) / hz / (n - ln)}')
  [[ "$first_time" == 0 ]] && { first_ticks=$ticks; first_time=$time; }
  last_ticks=$ticks last_time=$time
  printf '%-8s %10s %6s %8s %10s\n' "$1" "$((rss / 1024)).$(((rss % 1024) * 10 / 1024))" "$fds" "$threads" "$cpu"
  eval "$2=\"\$rss \$fds \$threads\""
}

echo
printf '%-8s %10s %6s %8s %10s\n' minute 'RSS (MB)' fds threads 'CPU (%)'
sleep 20 # start-up and the pink noise are made; the scan has begun
sample start begin
for ((m = 1; m < minutes; m++)); do
  sleep 60
  sample "$m" current
done
sleep 30 # ten seconds before it presses Exit
sample end finish
whole=$(awk -v t="$last_ticks" -v ft="$first_ticks" -v n="$last_time" -v fn="$first_time" -v hz="$hz" \
  'BEGIN {printf "%.2f", 100 * (t - ft) / hz / (n - fn)}')
wait "$app_pid"
status=$?
app_pid=
tail -n 1 "$work/app.log"
read -r rss0 fds0 threads0 <<<"$begin"
read -r rss1 fds1 threads1 <<<"$finish"
echo "start: RSS $rss0 kB, $fds0 fds, $threads0 threads; end: RSS $rss1 kB, $fds1 fds, $threads1 threads;" \
  "CPU $whole % of one core between them; exit status $status"
fail=0
[[ $fds1 -le $fds0 ]] || { echo "soak: descriptors grew"; fail=1; }
[[ $threads1 -le $threads0 ]] || { echo "soak: threads grew"; fail=1; }
# A few hundred kB of allocator and font-cache noise is not growth.
[[ $rss1 -le $((rss0 + 1024)) ]] || { echo "soak: resident memory grew by $((rss1 - rss0)) kB"; fail=1; }
[[ $status -eq 0 ]] || { echo "soak: the program exited with $status"; fail=1; }
exit $fail
