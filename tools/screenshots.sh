#!/bin/bash
# Takes the README's screenshots of the main window under Xvfb:
#   tools/screenshots.sh [build folder]   (default build-test)
# A portable copy of the player runs from a temporary folder with six
# generated songs and one lyric, at scale 1 and at scale 2; the second run
# clicks the skin button once (the next colour scheme). Writes docs/*.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-test}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/run/Images" "$work/run/Resumes" "$work/run/Lyrics" "$work/music"
cp "$root/$build/bin/lyrovo" "$root/$build/bin/lyrovo-fetch" "$work/run/"
ln -s "$root/$build/bin/Plugins" "$work/run/Plugins"
titles=("晴天|周末乐队" "海风|林小夏" "Morning Light|The Lanterns" "夜空中最亮的星|远山" "River Song|Mara Lee"
        "小城故事|邓子")
printf ' 1 \r\n' >"$work/run/Playlist.dat"
for i in "${!titles[@]}"; do
  sox -n -r 44100 -c 2 "$work/music/song$i.wav" synth 200 sine $((350 + i * 50)) vol 0.1
  printf '%s=%s=%s=03:20\r\n' "$work/music/song$i.wav" "${titles[$i]%%|*}" "${titles[$i]##*|}" \
    >>"$work/run/Playlist.dat"
done
lines=(故事的小黄花 从出生那年就飘着 童年的荡秋千 随记忆一直晃到现在 吹着前奏望着天空 我想起花瓣试着掉落
       为你翘课的那一天 花落的那一天 教室的那一间 我怎么看不见)
for i in "${!lines[@]}"; do printf '[00:%02d.00]%s\n' $((i * 2)) "${lines[$i]}"; done \
  >"$work/run/Lyrics/周末乐队 - 晴天.lrc"

# shot SCALE OUTPUT [xdotool commands run before the picture]
shot() {
  local actions=${3:-}
  rm -f "$work/run/.lyrovo.lock"
  xvfb-run -a -s "-screen 0 1280x900x24" bash -c "
    export QT_SCALE_FACTOR=$1 SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb
    '$work/run/lyrovo' & pid=\$!
    sleep 7
    $actions
    import -window root '$work/screen.png'
    kill \$pid; wait \$pid || true
  " >/dev/null 2>&1
  convert "$work/screen.png" -trim +repage -strip "$2"
}
mkdir -p "$root/docs"
shot 1 "$work/one.png"
convert "$work/one.png" -colors 256 "PNG8:$root/docs/main-window.png"
# At scale 2 the 960 × 620 window sits at (160, 140); the skin button's centre is at (360, 514) in it.
shot 2 "$root/docs/main-window-2x.png" 'xdotool mousemove 520 654 click 1; sleep 1; xdotool mousemove 700 300; sleep 1'
echo "wrote $root/docs/main-window.png and $root/docs/main-window-2x.png"
