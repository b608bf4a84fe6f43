#!/usr/bin/env bash
# Builds the Debian package with CPack and checks it without installing it
# on this system: dpkg-deb --info and --contents, every library the programs
# need named in Depends (and present here), lintian, and an installation
# into a throw-away root with dpkg --root.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$1
id=io.github.lyrovo.Lyrovo

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

cpack --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack"
}
debs=("$work"/out/lyrovo_*_*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "cpack made no single lyrovo_*.deb: ${debs[*]}"
deb=${debs[0]}

info=$(dpkg-deb --info "$deb")
field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == lyrovo ]] || fail "Package: $(field Package)"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Section) == sound ]] || fail "Section: $(field Section)"
depends=$(field Depends)
# The sound font, SDL (opened at run time), and libraries of the program, its fetch helper (libcurl4) and both
# plug-ins, as dpkg-shlibdeps names them.
for package in timgm6mb-soundfont libsdl2-2.0-0 libcurl4 libc6 libqt6widgets6 libmpg123-0 libtag1v5 libavformat59 libfluidsynth3; do
  grep -Eq "(^|, )$package( |,|$)" <<< "$depends" || fail "Depends lacks $package: $depends"
done
grep -q "music player with synchronised lyrics" <<< "$info" || fail "no description: $info"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for file in ./usr/bin/lyrovo ./usr/lib/lyrovo/lyrovo-fetch ./usr/lib/lyrovo/plugins/lyrovo_ffmpeg.so ./usr/lib/lyrovo/plugins/lyrovo_midi.so \
  ./usr/lib/lyrovo/plugins/soundfont.sf2 ./usr/share/applications/$id.desktop \
  ./usr/share/icons/hicolor/scalable/apps/$id.svg ./usr/share/icons/hicolor/16x16/apps/$id.png \
  ./usr/share/icons/hicolor/256x256/apps/$id.png ./usr/share/metainfo/$id.metainfo.xml \
  ./usr/share/man/man1/lyrovo.1.gz ./usr/share/doc/lyrovo/copyright ./usr/share/doc/lyrovo/changelog.gz; do
  grep -qxF "$file" <<< "$contents" || fail "the package lacks $file"
done
# Only what an installation needs: nothing from the build or the tests.
unexpected=$(grep -Ev '^\./usr/(bin/lyrovo|lib/lyrovo/|share/(applications|icons|metainfo|man|doc)/)|/$|^\./$|^\./usr/(lib|share)$' <<< "$contents" || true)
[[ -z "$unexpected" ]] || fail "unexpected files in the package: $unexpected"

# Every library the programs load directly comes from a package named in
# Depends (or one such a package depends on, as libtag1v5 on
# libtag1v5-vanilla), and each dependency is installed here in a version it
# accepts.
names() { sed 's/([^)]*)//g; s/[|,]/\n/g' | awk 'NF {print $1}' | sed 's/:.*//'; }
named=$(names <<< "$depends")
providers=$(for package in $named; do
  echo "$package"
  dpkg-query -W -f='${Depends}\n' "$package" 2> /dev/null | names
done | sort -u)
dpkg-deb -x "$deb" "$work/tree"
ldcache=$(/sbin/ldconfig -p)
for binary in "$work"/tree/usr/bin/lyrovo "$work"/tree/usr/lib/lyrovo/lyrovo-fetch "$work"/tree/usr/lib/lyrovo/plugins/*.so; do
  ! file -b "$binary" | grep -q 'not stripped' || fail "$binary is not stripped"
  while read -r library; do
    path=$(awk -v lib="$library" '$1 == lib && !found {print $NF; found = 1}' <<< "$ldcache")
    [[ -n "$path" ]] || fail "$library (needed by $binary) is not on this system"
    owner=$(dpkg -S "$(readlink -f "$path")" 2> /dev/null | awk -F: 'NR == 1 {print $1}') ||
      owner=$(dpkg -S "$path" | awk -F: 'NR == 1 {print $1}')
    grep -qxF "$owner" <<< "$providers" || fail "$library comes from $owner, which Depends does not bring"
  done < <(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
done
IFS=',' read -ra items <<< "$depends"
for item in "${items[@]}"; do
  satisfied=no
  IFS='|' read -ra alternatives <<< "$item"
  for alternative in "${alternatives[@]}"; do
    read -r name relation version <<< "$(sed 's/[()]//g' <<< "$alternative")"
    installed=$(dpkg-query -W -f='${Status} ${Version}' "$name" 2> /dev/null | sed -n 's/^install ok installed //p')
    [[ -n "$installed" ]] || continue
    if [[ -z "$relation" ]] || dpkg --compare-versions "$installed" "$relation" "$version"; then satisfied=yes; fi
  done
  [[ $satisfied == yes ]] || fail "dependency not satisfiable here: $item"
done

# Errors and warnings fail; the remaining informational tags are about
# hardening flags of Debian's own build tools, which CMake does not use.
status=0
report=$(lintian --fail-on error,warning "$deb" 2>&1) || status=$?
grep -v 'root privileges is not recommended' <<< "$report" || true
[[ $status -eq 0 ]] || fail "lintian"

# A throw-away root: dpkg installs the package there (its dependencies live
# outside it, so they are not asked for) and lists it as installed.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: > "$root/var/lib/dpkg/status"
dpkg --root="$root" --log=/dev/null --force-depends --force-bad-path --force-not-root -i "$deb" > "$work/dpkg.log" 2>&1 || {
  cat "$work/dpkg.log"
  fail "dpkg --root -i"
}
[[ $(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' lyrovo) == "install ok installed" ]] ||
  fail "the package is not installed in the throw-away root"
[[ -x "$root/usr/bin/lyrovo" && -f "$root/usr/share/applications/$id.desktop" ]] ||
  fail "the throw-away root lacks the program or its desktop entry"
echo "package $(basename "$deb") checked"
