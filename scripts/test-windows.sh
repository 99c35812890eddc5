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
# imagemagick, the Chinese font and the zh_CN.UTF-8 locale (all from scripts/setup.sh).
# Nothing it starts outlives it: the Wine server, the prefix's processes and the display
# are ended by process id however it ends. Where the kernel runs no 32-bit code, 32-bit
# Wine runs under qemu-i386 (qemu-user 8 or later), registered for 32-bit programs through
# binfmt_misc; this script registers it when it can (as root).
set -euo pipefail
cd "$(dirname "$0")/.."

screenshot=0
[ "${1:-}" = "--screenshot" ] && screenshot=1

build=build-win32
bin=$build/bin
jobs=$(nproc)

# Bounds on the steps under Wine, five to ten times what they take on this 2-core machine
# under emulation (the prefix 13-25 s, the longer suite 7-15 s; docs/windows.md), so that a
# stalled step fails the run within two minutes instead of holding it.
boot_seconds=120
suite_seconds=120

fail() {
  echo "test-windows: $*" >&2
  exit 1
}

# Runs "$@" in the folder $2 for at most $1 seconds, in the background, and waits for it:
# bash runs a signal's trap (the cleanup) at once while in `wait`, but only after a command
# in the foreground has ended.
bounded() {
  local seconds=$1 folder=$2
  shift 2
  (cd "$folder" && exec timeout -k 10 "$seconds" "$@") &
  wait $!
}

# ", timed out after N s" when `timeout` ended the step (its exit codes 124 and 137).
timed_out() {
  case $1 in 124 | 137) echo ", timed out after $2 s" ;; esac
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

# The processes of our prefix, by process id: the server, the services and the programs all
# carry the prefix in their environment (under qemu too), and no other prefix is ours.
prefix_pids() {
  grep -l -s -a -F -x -z "WINEPREFIX=$work/prefix" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3
}

# Ends everything this script started, whatever way it ends: the server and every process
# of the prefix (those still there after a bounded wait are killed), then the display.
cleanup() {
  set +e
  export -n WINEPREFIX  # so that no command below counts as a process of the prefix
  if [ -d "$work/prefix" ]; then
    WINEPREFIX=$work/prefix timeout -k 5 60 wineserver -k >/dev/null 2>&1
    for _ in $(seq 1 300); do [ -z "$(prefix_pids)" ] && break; sleep 0.1; done
    local left
    left=$(prefix_pids)
    if [ -n "$left" ]; then
      echo "test-windows: killing what the prefix left running: $(echo $left)" >&2
      kill -9 $left 2>/dev/null
    fi
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

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
export WINEPREFIX=$work/prefix WINEARCH=win32
# Wine's own messages are off; FOLIVEX_WINEDEBUG turns channels on (e.g. err+all,+service).
export WINEDEBUG=${FOLIVEX_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
# Wine runs in the Simplified Chinese code page (936), the one the captions are written
# in. Wine takes the code page from the locale's name, but spells file names in the
# locale's character set, so the locale itself must be on the system (scripts/setup.sh).
wine_locale=zh_CN.UTF-8
locale -a 2>/dev/null | grep -i -x 'zh_CN\.utf-\?8' >/dev/null ||
  fail "the locale $wine_locale is missing (scripts/setup.sh generates it)"

# One session for everything below: a server that stays until the end, so that the
# system's services start once and stay up from one program to the next.
#
# The session boots (and makes the prefix) by itself: before the first program started
# from here runs, Wine runs "wineboot --init", which starts the service manager. So the
# prefix is made by the first program, the import of the font substitutes, and never by a
# "wineboot -i" of ours: that would boot the session a second time, and a second service
# manager would run beside the first, each starting the services (the RPC service, which
# COM needs, among them) and each ending the other's, over and over.
mkdir -p "$WINEPREFIX"
timeout -k 10 60 wineserver -p || fail "the Wine server did not start"
# 宋体 (SimSun) is not installed here: its Debian counterpart stands in, as a Chinese
# Windows has it. The display has no window manager, so Wine is told to manage the windows
# itself: it would otherwise wait two seconds for one whenever a window is hidden.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
  printf '"\xe5\xae\x8b\xe4\xbd\x93"="AR PL SungtiL GB"\r\n"SimSun"="AR PL SungtiL GB"\r\n'
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$work/fonts.reg"
started=$SECONDS
set +e
LC_ALL=$wine_locale bounded $boot_seconds . wine regedit /S "Z:${work//\//\\}\\fonts.reg" \
  >"$work/boot.log" 2>&1 </dev/null
code=$?
set -e
[ -f "$WINEPREFIX/drive_c/windows/system32/kernel32.dll" ] ||
  fail "the Wine prefix could not be made (exit $code$(timed_out $code $boot_seconds)): $(tail -5 "$work/boot.log")"
[ $code -eq 0 ] ||
  echo "test-windows: the font substitutes could not be set (exit $code); the captions may show without their font" >&2
echo "Wine prefix made and its services started in $((SECONDS - started)) s"

# --- The suites ------------------------------------------------------------------------

status=0
for suite in conformance_test win32_platform_test; do
  log=$PWD/$build/$suite.log  # kept after the run, for a failure's details
  echo "== $suite (Wine, 32-bit)"
  started=$SECONDS
  set +e
  LC_ALL=$wine_locale bounded $suite_seconds "$bin" wine "./$suite.exe" >"$log" 2>&1 </dev/null
  code=$?
  set -e
  grep -a -E '^\[  FAILED  \] [A-Za-z]' "$log" | sort -u || true
  grep -a -E '^\[==========\] .* ran\.|^\[  PASSED  \]|^\[  FAILED  \] [0-9]+ test' "$log" || true
  echo "$suite: $((SECONDS - started)) s under Wine"
  if [ $code -ne 0 ] || ! grep -a -q '^\[  PASSED  \]' "$log"; then
    echo "test-windows: $suite failed (exit $code$(timed_out $code $suite_seconds)); the failures, then its last lines ($log):" >&2
    # Each failed test from its start to its end.
    awk '/^\[ RUN      \]/ { block = "" } { block = block $0 "\n" }
         /^\[  FAILED  \] [A-Za-z].*\(/ { printf "%s", block }' "$log" | grep -a -v '^qemu:' >&2 || true
    { grep -a -v '^qemu:' "$log" || true; } | tail -20 >&2
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
