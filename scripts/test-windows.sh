#!/usr/bin/env bash
# The Windows build: cross-compiles the 32-bit Folivex.dll and its tests into build-win32/,
# checks the DLL's export and import tables, and runs the Windows suite under 32-bit Wine
# in a fresh prefix of its own, on a virtual display of its own. Exits non-zero on any
# failure and prints GoogleTest's summary lines.
#
#   scripts/test-windows.sh               build and test
#   scripts/test-windows.sh --screenshot  also photograph the progress window into
#                                         docs/progress-window-wine.png
#
# Needs Debian's g++-mingw-w64-i686, wine, wine32:i386 and wine32-preloader:i386, xvfb and
# imagemagick, and the Chinese fonts of docs/windows.md. Where the kernel runs no 32-bit
# code, 32-bit Wine runs under qemu-i386 (qemu-user 8 or later), registered for 32-bit
# programs through binfmt_misc; this script registers it when it can (as root).
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot=0
[ "${1:-}" = "--screenshot" ] && screenshot=1

build=build-win32
bin=$build/bin
jobs=$(nproc)

fail() {
  echo "test-windows: $*" >&2
  exit 1
}

# --- Build -----------------------------------------------------------------------------

# The toolchain is given only when the build folder is made: CMake keeps it from then on.
toolchain=()
[ -f "$build/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake)
cmake -S . -B "$build" "${toolchain[@]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$jobs" >/dev/null

# --- The DLL's tables ------------------------------------------------------------------

objdump=i686-w64-mingw32-objdump
exports=$($objdump -p "$bin/Folivex.dll" |
  sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $NF}' | sort | xargs)
expected="FV_Initialization FV_LoadFile FV_Set_FirstChar FV_Set_Progress_Style FV_Set_SavePath FV_Set_StartPageNumber"
[ "$exports" = "$expected" ] || fail "Folivex.dll exports [$exports], expected [$expected]"
imports=$($objdump -p "$bin/Folivex.dll" | awk '/DLL Name:/ {print toupper($3)}' | sort | xargs)
for dll in $imports; do
  case $dll in
    KERNEL32.DLL | USER32.DLL | GDI32.DLL | ADVAPI32.DLL | OLE32.DLL | OLEAUT32.DLL | MSVCRT.DLL) ;;
    *) fail "Folivex.dll needs $dll, which is not a system DLL" ;;
  esac
done
echo "Folivex.dll: exports $exports; imports $imports"

# --- 32-bit code -----------------------------------------------------------------------

runs_i386() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

if ! runs_i386; then
  qemu=$(command -v qemu-i386 || true)
  [ -n "$qemu" ] || fail "this kernel runs no 32-bit programs and qemu-i386 is missing (qemu-user)"
  [ "$(id -u)" -eq 0 ] || fail "this kernel runs no 32-bit programs; run once as root to register qemu-i386"
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
  if [ ! -e $binfmt/qemu-i386 ]; then
    # 32-bit x86 ELF executables and shared objects; F: qemu is opened now, so the
    # registration holds in every mount namespace.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
      >$binfmt/register
  fi
  runs_i386 || fail "32-bit programs still do not run"
fi
if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  version=$(qemu-i386 --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
  [ "${version:-0}" -ge 8 ] ||
    fail "qemu-i386 $version cannot run Wine (it gives no trap numbers to signal handlers); install qemu-user 8 or later"
fi

# --- A display and a Wine prefix of our own --------------------------------------------

work=$(mktemp -d /tmp/folivex-wine.XXXXXX)
xvfb_pid=
cleanup() {
  WINEPREFIX=$work/prefix wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=
for n in $(seq 90 120); do
  if [ ! -e /tmp/.X11-unix/X$n ] && [ ! -e /tmp/.X$n-lock ]; then display=$n; break; fi
done
[ -n "$display" ] || fail "no free display number"
Xvfb :$display -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do [ -e /tmp/.X11-unix/X$display ] && break; sleep 0.1; done
[ -e /tmp/.X11-unix/X$display ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

export DISPLAY=:$display
export WINEPREFIX=$work/prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
# Wine runs in the Simplified Chinese code page (936), the one the captions are written
# in; Wine needs no system locale for it.
wine_locale=zh_CN.UTF-8

# One session for everything below: a server that stays until the end, so that the
# system's services start once. A session that ended while its services were still going
# down would race the next one's, and the services (the running object table among them)
# would keep restarting.
mkdir -p "$WINEPREFIX"
wineserver -p
LC_ALL=$wine_locale timeout 600 wineboot -i >"$work/wineboot.log" 2>&1 </dev/null ||
  fail "the Wine prefix could not be made: $(tail -5 "$work/wineboot.log")"
# 宋体 (SimSun) is not installed here: its Debian counterpart stands in, as a Chinese
# Windows has it.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
  printf '"\xe5\xae\x8b\xe4\xbd\x93"="AR PL SungtiL GB"\r\n"SimSun"="AR PL SungtiL GB"\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$work/fonts.reg"
LC_ALL=$wine_locale timeout 300 wine regedit /S "Z:${work//\//\\}\\fonts.reg" >/dev/null 2>&1 </dev/null ||
  echo "test-windows: the font substitutes could not be set; the captions may show without their font" >&2

# --- The suites ------------------------------------------------------------------------

status=0
for suite in conformance_test win32_platform_test; do
  log=$work/$suite.log
  echo "== $suite (Wine, 32-bit)"
  set +e
  (cd "$bin" && LC_ALL=$wine_locale timeout 1800 wine "./$suite.exe" >"$log" 2>&1 </dev/null)
  code=$?
  set -e
  grep -a -E '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u || true
  grep -a -E '^\[==========\] .* ran\.|^\[  PASSED  \]|^\[  FAILED  \] [0-9]+ test' "$log" || true
  if [ $code -ne 0 ] || ! grep -a -q '^\[  PASSED  \]' "$log"; then
    echo "test-windows: $suite failed (exit $code); its last lines:" >&2
    grep -a -v '^qemu:' "$log" | tail -40 >&2
    status=1
  fi
done

# --- The progress window, photographed -------------------------------------------------

if [ $screenshot -eq 1 ]; then
  demo_log=$work/demo.log
  (cd "$bin" && LC_ALL=$wine_locale timeout 120 wine ./progress_window_demo.exe 30 \
    >"$demo_log" 2>&1 </dev/null) &
  demo_pid=$!
  for _ in $(seq 1 600); do grep -a -q shown "$demo_log" 2>/dev/null && break; sleep 0.1; done
  grep -a -q shown "$demo_log" || fail "the progress window was not shown"
  sleep 2
  # The window is centred on the 1024x768 screen: 466x117 at (279,325), with a margin.
  import -display :$display -window root -crop 482x133+271+317 +repage docs/progress-window-wine.png
  echo "wrote docs/progress-window-wine.png"
  wait "$demo_pid" || true
fi

exit $status
