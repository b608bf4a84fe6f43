#!/usr/bin/env bash
# Whole-player figures, measured on the real binary under Xvfb with SDL's
# dummy output (paced like a sound card):
#   - start-up to the window mapped, with an empty list and with 32 767 rows;
#   - peak memory of the 32 767-row start;
#   - resident memory 10 s into playback;
#   - CPU of the whole player over 20 s of MP3 playback with the window shown:
#     visualisation off and no lyric, then the spectrum (view 5) shown and a
#     lyric scrolling;
#   - CPU over 20 s paused with the window shown (spectrum and lyric set up);
#   - where the resident pages of a plain run go, by mapped file.
# Usage: bench/player_bench.sh [path/to/lyrovo]   (default build/bin/lyrovo)
# Needs: xvfb, xdotool, sox, lame.
set -euo pipefail
binary=$(readlink -f "${1:-build/bin/lyrovo}")
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
# A free display number, chosen by the server, so that runs side by side do not meet.
# -noreset: a server resetting as one player leaves refuses the next one.
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 3>"$work/display" >/dev/null 2>&1 &
until [ -s "$work/display" ]; do sleep 0.1; done
display=:$(cat "$work/display")
export DISPLAY=$display SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS=disabled: HOME=$work/home
ticks=$(getconf CLK_TCK)

# A fresh program folder holding a copy of the binary.
install_player() {  # install_player DIR
  mkdir -p "$1/Images" "$1/Plugins"
  cp "$binary" "$1/lyrovo"
  cp "$(dirname "$binary")/lyrovo-fetch" "$1/"
  printf '[lyrovo]\r\nvisType=1\r\nsearchWord=0\r\n' > "$1/Settings.ini"
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Starts the player; sets pid and startup_ms (from start to the main window being mapped).
start_player() {  # start_player DIR [args…]
  local dir=$1
  shift
  local start
  start=$(now_ms)
  "$dir/lyrovo" "$@" >"$work/player.log" 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do
    if ! kill -0 "$pid" 2>/dev/null; then
      echo "the player ended before showing its window:" >&2
      cat "$work/player.log" >&2
      exit 1
    fi
  done
  startup_ms=$(( $(now_ms) - start ))
}

stop_player() { kill -TERM "$pid"; wait "$pid" 2>/dev/null || true; }

echo "== start-up, empty list"
install_player "$work/empty"
for i in 1 2 3 4 5; do
  start_player "$work/empty"
  printf '  run %d: %d ms\n' "$i" "$startup_ms"
  stop_player
done

echo "== start-up with 32767 rows"
install_player "$work/big"
mkdir -p "$work/songs"
{
  printf ' 1 \r\n'
  for i in $(seq 1 32767); do
    : > "$work/songs/song$i.mp3"
    printf '%s=Song %d=Artist %d=03:07\r\n' "$work/songs/song$i.mp3" "$i" "$((i % 97))"
  done
} > "$work/big/Playlist.dat"
printf '[lyrovo]\r\nvisType=1\r\nsearchWord=0\r\nautoPlay=0\r\n' > "$work/big/Settings.ini"
for i in 1 2 3; do
  start_player "$work/big"
  printf '  run %d: %d ms' "$i" "$startup_ms"
  printf ', peak memory %s\n' "$(grep VmHWM /proc/$pid/status | awk '{print $2 " " $3}')"
  stop_player
done

echo "== playback"
sox -n -r 44100 -c 2 -b 16 "$work/music.wav" synth 40 pluck 220 pluck 330 pluck 440 2>/dev/null
lame --quiet --tt "Bench Song" --ta "Bench Singer" "$work/music.wav" "$work/music.mp3"

# CPU of the player over 20 s of playback, in percent of one core.
cpu_while_playing() {  # cpu_while_playing DIR
  start_player "$1" "$work/music.mp3"
  sleep 2
  read -r u0 s0 < <(awk '{print $14, $15}' /proc/$pid/stat)
  sleep 8
  rss=$(grep VmRSS /proc/$pid/status | awk '{print $2 " " $3}')
  resident_by_file "$pid" > "$work/smaps"
  sleep 12
  read -r u1 s1 < <(awk '{print $14, $15}' /proc/$pid/stat)
  stop_player
  awk -v t="$(( (u1 + s1) - (u0 + s0) ))" -v hz="$ticks" -v rss="$rss" \
    'BEGIN { printf "%.2f %% of one core (resident memory 10 s into playback: %s)", 100 * t / hz / 20, rss }'
}

# Resident kB per mapped file (libraries, fonts; anonymous memory as "[anon]").
# The first 12 lines are taken with sed, which reads to the end: head would
# close the pipe early and fail the script under pipefail.
resident_by_file() {  # resident_by_file PID
  awk '/^[0-9a-f]+-[0-9a-f]+ /{name=$6; if (name == "") name="[anon]"} /^Rss:/{rss[name]+=$2}
       END {for (n in rss) print rss[n], n}' "/proc/$1/smaps" | sort -rn | sed -n '1,12s/^/    /p'
}

install_player "$work/play"
cpu_while_playing "$work/play" > "$work/figure"
echo "  visualisation off, no lyric: $(cat "$work/figure")"
echo "  resident pages by file 10 s into a plain run (kB):"
cat "$work/smaps"

install_player "$work/vis"
printf '[lyrovo]\r\nvisType=5\r\nsearchWord=0\r\n' > "$work/vis/Settings.ini"
mkdir -p "$work/vis/Lyrics"
for i in $(seq 0 39); do printf '[00:%02d.00]line %d of the scrolling lyric\r\n' "$i" "$i"; done \
  > "$work/vis/Lyrics/bench singer - bench song.lrc"
cpu_while_playing "$work/vis" > "$work/figure"
echo "  spectrum (view 5) and a scrolling lyric: $(cat "$work/figure")"

# CPU while paused: a paused player with its window shown should not wake.
start_player "$work/vis" "$work/music.mp3"
sleep 2
xdotool windowfocus --sync "$(xdotool search --onlyvisible --pid "$pid" | head -1)" 2>/dev/null || true
xdotool key ctrl+p
sleep 2
read -r u0 s0 < <(awk '{print $14, $15}' /proc/$pid/stat)
sleep 20
read -r u1 s1 < <(awk '{print $14, $15}' /proc/$pid/stat)
stop_player
awk -v t="$(( (u1 + s1) - (u0 + s0) ))" -v hz="$ticks" \
  'BEGIN { printf "  paused (spectrum and lyric set up): %.2f %% of one core\n", 100 * t / hz / 20 }'
