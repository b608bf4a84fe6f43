#!/usr/bin/env bash
# Generates the audio files the tests play and read, into the folder given
# (default build/fixtures). Tones are short so tests stay fast; each file is
# made only once per folder.
set -euo pipefail
out=${1:-build/fixtures}
mkdir -p "$out"
cd "$out"
[[ -f .complete-v3 ]] && exit 0

sine() {  # sine FILE SECONDS FREQ [sox output options…]
  local file=$1 secs=$2 freq=$3
  shift 3
  sox -n -r 44100 -b 16 -c 2 "$@" "$file" synth "$secs" sine "$freq" vol 0.5
}

# PCM and floating-point WAVE, AIFF, other rates and channel counts.
sine tone1k.wav 2 1000
sine tone1k-48k.wav 2 1000 -r 48000
sox -n -r 44100 -b 16 -c 1 tone1k-mono.wav synth 2 sine 1000 vol 0.5
sox -n -r 44100 -b 16 -c 6 tone1k-6ch.wav synth 2 sine 1000 vol 0.5
sox -n -r 44100 -e floating-point -b 32 -c 2 tone1k-float.wav synth 2 sine 1000 vol 0.5
sox -n -r 44100 -b 16 -c 2 tone1k.aif synth 2 sine 1000 vol 0.5
# Left channel only: a tone on the left, silence on the right.
sox -n -r 44100 -b 16 -c 2 left-only.wav synth 2 sine 1000 vol 0.5 remix 1 0
sox -n -r 44100 -b 16 -c 2 silence.wav trim 0 2
sox -n -r 44100 -b 16 -c 2 square.wav synth 2 square 441 vol 1.0

# Compressed formats.
lame --quiet -b 128 tone1k.wav tone1k.mp3
lame --quiet -b 128 -m m tone1k-mono.wav tone1k-mono.mp3
twolame --quiet -b 192 tone1k.wav tone1k.mp2
oggenc --quiet -q 4 tone1k.wav -o tone1k.ogg
ffmpeg -loglevel error -y -i tone1k.wav -c:a flac tone1k.flac
ffmpeg -loglevel error -y -i tone1k.wav -c:a wmav2 -b:a 128k tone1k.wma
ffmpeg -loglevel error -y -i tone1k.wav -c:a aac -b:a 128k tone1k.m4a
ffmpeg -loglevel error -y -i tone1k.wav -c:a libopus -b:a 96k tone1k.opus
# A one-second MIDI file: middle C held on channel 1 (format 0, 96 ticks a beat).
printf 'MThd\x00\x00\x00\x06\x00\x00\x00\x01\x00\x60MTrk\x00\x00\x00\x0e\x00\x90\x3c\x64\x81\x40\x80\x3c\x00\x00\xff\x2f\x00' > note.mid

# Tags: ID3v1 only, ID3v2 only, both, none.
lame --quiet -b 128 --id3v1-only --tt "Moon Song" --ta "Singer" --tl "Album" --ty 2007 --tc "comment" --tn 3 --tg 17 tone1k.wav id3v1.mp3
lame --quiet -b 128 --id3v2-only --tt "V2 Title" --ta "V2 Artist" tone1k.wav id3v2.mp3
lame --quiet -b 128 --id3v1-only --tt "Only Title" tone1k.wav id3v1-noartist.mp3
cp tone1k.mp3 "01 Intro.mp3"
oggenc --quiet -q 4 -t "Ogg Title" -a "Ogg Artist" -l "Ogg Album" -N 5 -G "Rock" tone1k.wav -o tagged.ogg
# RIFF INFO texts in a WAVE file; ASF attributes (UTF-16 texts) in a WMA file.
ffmpeg -loglevel error -y -i tone1k.wav -c copy -metadata title="Wave Title" -metadata artist="波浪" \
  -metadata album="Wave Album" tagged.wav
ffmpeg -loglevel error -y -i tone1k.wav -c:a wmav2 -b:a 128k -metadata title="月亮" -metadata artist="WMA Artist" \
  -metadata track=7 -metadata genre=Jazz tagged.wma

# Broken input.
: > empty.mp3
head -c 3000 tone1k.mp3 > truncated.mp3
head -c 20000 /dev/urandom > random.mp3
cp tone1k.mp3 mp3-named.ogg
mkdir -p dir.mp3
{ head -c 44 tone1k.wav | head -c 40; printf '\xff\xff\xff\x7f'; head -c 1000 /dev/urandom; } > lying-header.wav
head -c 4000 tone1k.ogg > truncated.ogg
# Lengths that files misstate: an MP3 cut to 8 KB whose LAME header still
# claims 262144 frames (almost two hours), and a WavPack file whose header
# states no length, as a stream writes it (total samples all ones).
head -c 8192 tone1k.mp3 > lying-lame.mp3
offset=$(grep -obUaE -m1 'Xing|Info' lying-lame.mp3 | head -1 | cut -d: -f1)
printf '\x00\x04\x00\x00' | dd of=lying-lame.mp3 bs=1 seek=$((offset + 8)) conv=notrunc status=none
ffmpeg -loglevel error -y -i tone1k.wav -c:a wavpack nolength.wv
printf '\xff\xff\xff\xff' | dd of=nolength.wv bs=1 seek=12 conv=notrunc status=none

touch .complete-v3
