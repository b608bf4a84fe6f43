#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and checks it the way a
# distribution and a desktop would: every file in its place,
# desktop-file-validate, appstreamcli, the manual page, and the installed
# player itself, which must find its plug-ins from where it was installed,
# play a FLAC through them, keep its files in the user's data folder and end
# cleanly on SIGTERM.
#   install_test.sh BUILD_DIR FIXTURES_DIR
set -euo pipefail
build=$1
fixtures=$2
id=io.github.lyrovo.Lyrovo

work=$(mktemp -d)
player=
cleanup() {
  if [[ -n "$player" ]] && kill -0 "$player" 2>/dev/null; then
    kill -KILL "$player"
    wait "$player" || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits up to 60 s for the command to succeed.
wait_for() {
  local deadline=$((SECONDS + 60))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

DESTDIR=$work/root cmake --install "$build" --prefix /usr > "$work/install.log" || {
  cat "$work/install.log"
  fail "cmake --install"
}
usr=$work/root/usr

for file in bin/lyrovo lib/lyrovo/lyrovo-fetch lib/lyrovo/plugins/lyrovo_ffmpeg.so lib/lyrovo/plugins/lyrovo_midi.so \
  share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml \
  share/man/man1/lyrovo.1.gz share/doc/lyrovo/copyright share/doc/lyrovo/changelog.gz; do
  [[ -f "$usr/$file" ]] || fail "$file is not installed"
done
[[ -x "$usr/bin/lyrovo" ]] || fail "the player is not executable"
# The web requests' helper starts (its libraries resolve) and refuses a call without a request.
status=0
"$usr/lib/lyrovo/lyrovo-fetch" > /dev/null 2>&1 || status=$?
[[ $status -eq 2 ]] || fail "lyrovo-fetch without arguments exited with $status, not 2"
[[ $(readlink "$usr/lib/lyrovo/plugins/soundfont.sf2") == ../../../share/sounds/sf2/TimGM6mb.sf2 ]] ||
  fail "the sound font link points elsewhere"
# Each PNG icon has the size of its folder (width and height from the PNG header).
for size in 16 22 24 32 48 64 128 256; do
  icon=$usr/share/icons/hicolor/${size}x${size}/apps/$id.png
  [[ -f "$icon" ]] || fail "no ${size}x$size icon"
  read -r w h < <(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [[ "$w $h" == "$size $size" ]] || fail "the ${size}x$size icon is $w x $h"
done

desktop-file-validate "$usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
  "$usr/share/man/man1/lyrovo.1.gz" 2>&1 > /dev/null)
[[ -z "$man_warnings" ]] || fail "the manual page: $man_warnings"
zcat "$usr/share/man/man1/lyrovo.1.gz" | grep -q '^\.SH "WEB SERVERS"' || fail "the manual page lacks [Servers]"

# The installed player, started as a desktop would start it with two files.
# Images/ marks a later start, so no welcome box waits for an answer.
data=$work/data
mkdir -p "$data/lyrovo/Images" "$work/home" "$work/run"
chmod 700 "$work/run"
env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME="$data" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=disabled: \
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" \
  "$usr/bin/lyrovo" "$fixtures/tone1k.flac" "$fixtures/tone1k.mp3" > "$work/player.log" 2>&1 &
player=$!

sounding() { [[ -f "$work/sound.raw" ]] && [[ $(head -c 2000000 "$work/sound.raw" | tr -d '\0' | head -c 1 | wc -c) -gt 0 ]]; }
wait_for sounding || {
  cat "$work/player.log"
  fail "the player played nothing"
}
# SIGTERM runs the shutdown once start-up is over and the player catches it;
# before that it ends the program unsaved.
catches_term() { (("16#$(awk '/^SigCgt:/ {print $2}' "/proc/$player/status")" & (1 << (15 - 1)))); }
wait_for catches_term || fail "the player never caught SIGTERM"
kill -TERM "$player"
status=0
wait "$player" || status=$?
player=
[[ $status -eq 0 ]] || fail "the player ended with status $status after SIGTERM"

# The FLAC is row 1 and was the current song: only its plug-in could open it.
# Its length (2 s) shows the plug-in read it.
playlist=$data/lyrovo/Playlist.dat
[[ -f "$playlist" ]] || fail "no Playlist.dat in \$XDG_DATA_HOME/lyrovo"
rows=$(tr -d '\r' < "$playlist")
[[ $(sed -n 1p <<< "$rows") == " 1 " ]] || fail "the current row is not the FLAC: $(sed -n 1p <<< "$rows")"
[[ $(sed -n 2p <<< "$rows") == "$fixtures/tone1k.flac="*"=00:02" ]] || fail "row 1: $(sed -n 2p <<< "$rows")"
[[ $(sed -n 3p <<< "$rows") == "$fixtures/tone1k.mp3="* ]] || fail "row 2: $(sed -n 3p <<< "$rows")"
for file in Settings.ini SkinSettings.ini Lyrics Resumes; do
  [[ -e "$data/lyrovo/$file" ]] || fail "$file is not in \$XDG_DATA_HOME/lyrovo"
done
# Nothing was written beside the installed program.
[[ $(ls -A "$usr/bin") == lyrovo ]] || fail "files beside the installed program: $(ls -A "$usr/bin")"
echo "install tree checked"
