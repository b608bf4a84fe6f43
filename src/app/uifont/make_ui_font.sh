#!/bin/bash
# Cuts the interface's own Chinese characters out of the system's Chinese
# font, so that drawing the interface does not map pages all over a font file
# of several megabytes.
#
#   make_ui_font.sh FONT INDEX OUT RENAMER SOURCE...
#
# Takes every character from U+2E80 up (CJK punctuation, ideographs, full-width
# forms) in the SOURCE files, adds the reference characters FreeType's
# auto-hinter measures in a CJK font (so the cut font is hinted exactly like
# the whole one), cuts face INDEX of FONT down to them with hb-subset and
# names the result "Lyrovo UI Han" with RENAMER.
set -euo pipefail
font=$1 index=$2 out=$3 renamer=$4
shift 4
here=$(dirname "$0")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

perl -CSD -ne 'print grep { ord($_) >= 0x2E80 } split //' "$@" > "$work/text"
cat "$here/hinter_reference_chars.txt" >> "$work/text"
hb-subset --font-file="$font" --face-index="$index" --text-file="$work/text" --output-file="$work/cut.ttf"
"$renamer" "$work/cut.ttf" "$out.part" "Lyrovo UI Han"
mv "$out.part" "$out"
