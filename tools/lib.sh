# Shared steps of ./dev; sourced, not run.

# Installs the listed Debian packages that are not installed yet.
install_packages() {
  local missing=()
  local pkg
  while read -r pkg; do
    [[ -z "$pkg" || "$pkg" == \#* ]] && continue
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
  done < tools/packages.txt
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [[ $(id -u) -ne 0 ]] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# ccache hits across build folders only with these.
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

configure() {  # configure DIR [cmake options…]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > /dev/null
}

build_player() {  # build_player DIR
  configure "$1"
  cmake --build "$1"
}

build_package() {  # build_package DIR: the Debian package from a built DIR, into DIR
  (cd "$1" && cpack -G DEB)
  ls "$1"/lyrovo_*.deb
}

check_format() {
  local files
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find src tests bench tools -name '*.cpp' -o -name '*.h')
  [[ ${#files[@]} -eq 0 ]] && return 0
  if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "Formatting differs from .clang-format: run clang-format -i on the files above." >&2
    return 1
  fi
}

run_ctest() {  # run_ctest DIR
  QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy DBUS_SESSION_BUS_ADDRESS=disabled: \
    ctest --test-dir "$1" --output-on-failure -j "$(nproc)" --timeout 600
}

# Every test: the format check, the whole tree built with warnings as errors,
# then the logic libraries' tests again under AddressSanitizer and UBSan.
run_all_tests() {
  check_format
  configure build-test -DLYROVO_WERROR=ON
  cmake --build build-test
  run_ctest build-test
  configure build-asan -DLYROVO_WERROR=ON -DLYROVO_SANITIZE=ON -DLYROVO_LOGIC_ONLY=ON -DCMAKE_BUILD_TYPE=Debug
  cmake --build build-asan
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest build-asan
  run_fuzzers 8
}

# The libFuzzer targets, built by clang into build-fuzz.
build_fuzzers() {
  CC=clang CXX=clang++ configure build-fuzz -DLYROVO_FUZZ=ON -DLYROVO_LOGIC_ONLY=ON \
    -DLYROVO_BUILD_TESTS=OFF -DLYROVO_BUILD_BENCH=OFF
  cmake --build build-fuzz --target fuzzers
}

# run_fuzzers SECONDS: each target for SECONDS, seeded with the lyric corpus,
# the generated audio files and a few settings and playlist files. What a
# run finds new is kept in build-fuzz/corpus/; a crash stops with its input
# saved in build-fuzz/crashes/.
run_fuzzers() {
  local seconds=${1:-600}
  build_fuzzers
  tools/make_fixtures.sh build-fuzz/fixtures > /dev/null
  mkdir -p build-fuzz/seeds/audio build-fuzz/crashes
  find build-fuzz/fixtures -maxdepth 1 -type f -name '*.mp3' -exec cp {} build-fuzz/seeds/audio/ \;
  local target seeds
  for target in lrc playlist ini id3v1 mp3 scrapers lrclib embedded; do
    case $target in
      lrc) seeds=tests/lyrics/corpus ;;
      playlist) seeds=fuzz/seeds/playlist ;;
      ini) seeds=fuzz/seeds/ini ;;
      scrapers) seeds=fuzz/seeds/scrapers ;;
      lrclib) seeds=fuzz/seeds/lrclib ;;
      *) seeds=build-fuzz/seeds/audio ;;
    esac
    mkdir -p "build-fuzz/corpus/$target"
    echo "Fuzzing $target for ${seconds}s"
    local log="build-fuzz/fuzz-$target.log"
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "build-fuzz/bin/fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
      -max_len=1048576 -print_final_stats=1 -artifact_prefix="build-fuzz/crashes/$target-" \
      "build-fuzz/corpus/$target" "$seeds" > "$log" 2>&1; then
      tail -40 "$log" >&2
      echo "fuzz_$target failed; its log: $log" >&2
      return 1
    fi
    grep -E '^stat::number_of_executed_units' "$log" || true
  done
}
