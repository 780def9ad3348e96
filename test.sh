#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test in three phases: natively, under
# AddressSanitizer + UndefinedBehaviorSanitizer (clang), and cross-compiled for Windows
# under Wine. Each fuzz harness replays its seed corpus and kept crash inputs. Ends with
# a summary per phase at the level of test cases and one line 'N passed, M failed'. The
# native phase also builds and checks the Debian package, the Windows phase the installer.
#
# The Windows product is the i686 build and is always compiled. Its tests run under
# 32-bit Wine where this kernel runs 32-bit programs; elsewhere the same tests run on an
# x86_64 build under 64-bit Wine (scripts/windows-test-arch.sh says which, and why).
# The Windows phase draws its windows on an Xvfb display of its own, in a Wine prefix of
# this checkout's own (build/wine), so that checkouts testing at once do not meet.
# Screenshots the tests save for people go to build/test-results/screenshots.
set -euo pipefail
cd "$(dirname "$0")"
top=$PWD

scripts/install-deps.sh test
windows_arch=$(scripts/windows-test-arch.sh)

jobs=$(nproc)
results=$top/build/test-results
rm -rf "$results"
mkdir -p "$results"
screenshots=$results/screenshots
mkdir -p "$screenshots"
export ICOFORGE_SCREENSHOT_DIR=$screenshots

# shellcheck source=scripts/preset-build.sh
. scripts/preset-build.sh

# run_ctest PHASE BUILD_DIR [GTEST_REPORT_DIR]: CTest's own report and one GoogleTest
# report per program go to $results/PHASE, for the summary.
run_ctest() {
  local phase=$1 dir=$2 out=$results/$1
  local gtest_dir=${3:-$out/}
  mkdir -p "$out"
  echo "== tests: $phase"
  GTEST_OUTPUT="xml:$gtest_dir" ctest --test-dir "$dir" --output-on-failure -j"$jobs" \
    --output-junit "$out/ctest.xml" || true
}

echo "== build: native"
icoforge_build native
# The Linux window's tests save screenshots there for people to look at.
ICOFORGE_SCREENSHOT_DIR=$results/screenshots run_ctest native build/native

echo "== build: sanitizers (clang, address + undefined)"
icoforge_build sanitizers
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest sanitizers build/sanitize

if [ "$windows_arch" = i686 ]; then
  echo "== build: Windows i686 (the product and its tests)"
  icoforge_build windows-i686 -DICOFORGE_TESTS=ON -DICOFORGE_FUZZ=ON
  test_dir=build/windows
else
  echo "== build: Windows i686 (the product; this machine cannot run its tests)"
  icoforge_build windows-i686 -DICOFORGE_TESTS=OFF -DICOFORGE_FUZZ=OFF
  echo "== build: Windows x86_64 (the same tests, for 64-bit Wine)"
  icoforge_build windows-x86_64 -DICOFORGE_TESTS=ON -DICOFORGE_FUZZ=ON
  test_dir=build/windows-x86_64
fi

# A display for the window tests: Xvfb on the first free display number, for this phase
# only. Its end and Wine's (about ten processes stay behind) come with the script's.
own_prefix=no
[ -n "${ICOFORGE_WINEPREFIX:-}" ] || own_prefix=yes
export ICOFORGE_WINEPREFIX=${ICOFORGE_WINEPREFIX:-$top/build/wine/$windows_arch}
xvfb_pid=
display_note=
end_windows_phase() {
  scripts/wine-run.sh --arch="$windows_arch" --stop || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap end_windows_phase EXIT
windows_display=
if command -v Xvfb >/dev/null; then
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>"$results/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$display_file" ] && windows_display=:$(head -n 1 "$display_file")
  rm -f "$display_file"
  [ -n "$windows_display" ] || display_note="Xvfb did not start (see $results/xvfb.log)"
else
  display_note="Xvfb is missing (package xvfb; scripts/install-deps.sh installs it)"
fi
if [ -n "$display_note" ]; then
  display_note="windows-$windows_arch: no display, so the window tests skipped: $display_note"
  echo "== $display_note"
fi

# Making the prefix shows nothing, but Wine would open the caller's display for it.
if DISPLAY=$windows_display scripts/wine-run.sh --arch="$windows_arch" --prepare; then
  # No window manager runs on Xvfb, and Wine waits two seconds for one whenever a managed
  # window closes; the tests' windows go unmanaged, in the checkout's own prefix only.
  if [ $own_prefix = yes ]; then
    DISPLAY=$windows_display scripts/wine-run.sh --arch="$windows_arch" \
      reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  fi
  # The programs run inside Wine, so they are told the report and screenshot folders as
  # Windows paths.
  DISPLAY=$windows_display ICOFORGE_SCREENSHOT_DIR="Z:${screenshots//\//\\}" \
    run_ctest "windows-$windows_arch" "$test_dir" "Z:${results//\//\\}\\windows-$windows_arch\\"
else
  echo "== tests: windows-$windows_arch not run: no Wine prefix (see above)"
fi

summary=0
python3 scripts/test-summary.py "$results"/native "$results"/sanitizers "$results/windows-$windows_arch" || summary=$?
[ -z "$display_note" ] || echo "$display_note"
echo "screenshots: $screenshots ($(find "$screenshots" -type f | wc -l) files)"
# The Debian package and the Windows installer the tests made and checked.
for made in build/native/package/icoforge_*.deb build/windows/package/icoforge-*-setup.exe; do
  if [ -f "$made" ]; then echo "package: $made"; fi
done
exit $summary
