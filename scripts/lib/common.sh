# What the README's commands share: installing what is missing, building,
# the project's own Wine prefixes, and a virtual display.
# shellcheck shell=bash

FERROWIN_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
FERROWIN_BUILD="$FERROWIN_ROOT/build/windows"

export WINEDEBUG=-all
# The console tools the program runs are the stand-ins that tests and the
# demo put in system32: Wine would run its built-in programs in their place.
export WINEDLLOVERRIDES="mscoree,mshtml=;net.exe,icacls.exe,wmic.exe=n"
export WINEPREFIX="${WINEPREFIX:-$FERROWIN_ROOT/build/wineprefix}"
# Wine's own fonts, from Debian's fonts-wine.
FERROWIN_WINE_FONTS=/usr/share/wine/fonts

ferrowin_say() { printf '\033[1m== %s\033[0m\n' "$*" >&2; }

# Installs the Debian packages that are missing: the cross compiler, CMake,
# Wine and its fonts, a virtual display, GoogleTest's sources, nlohmann/json
# (read by the program, header-only) and the screenshot tools.
ferrowin_install_deps() {
  local missing=()
  command -v cmake >/dev/null || missing+=(cmake)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64-posix)
  command -v x86_64-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-x86-64)
  command -v wine >/dev/null || missing+=(wine)
  command -v wine64 >/dev/null || [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  [ -f "$FERROWIN_WINE_FONTS/marlett.ttf" ] || missing+=(fonts-wine)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v import >/dev/null || missing+=(imagemagick)
  command -v xdotool >/dev/null || missing+=(xdotool)
  command -v flock >/dev/null || missing+=(util-linux)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  [ -f /usr/include/nlohmann/json.hpp ] || missing+=(nlohmann-json3-dev)
  [ ${#missing[@]} -eq 0 ] && return 0

  ferrowin_say "installing ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

ferrowin_build() {
  ferrowin_say "building"
  cmake --preset windows >/dev/null
  cmake --build --preset windows "$@"
}

# Puts Wine's own fonts into the prefix's windows\Fonts: Marlett draws the
# caption buttons, and MS Sans Serif is the bitmap font the window's layout
# was measured in (without it Wine draws a wider stand-in and long labels run
# past the window's edge). This Wine never looks where fonts-wine puts them,
# only in windows\Fonts and through fontconfig.
ferrowin_install_wine_fonts() {
  local fonts="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fonts"
  cp -n "$FERROWIN_WINE_FONTS"/* "$fonts/"
}

# Makes $WINEPREFIX on first use: no Z: drive onto the host's root, no other
# drive letters, and the Wine user's profile folders as plain folders instead
# of links into the host's home. The Wine user's own profile is hidden, as
# Windows hides Default and All Users, so c:\users lists only what a test or
# the demo puts there (and Public).
ferrowin_prepare_prefix() {
  mkdir -p "$WINEPREFIX"
  if [ -f "$WINEPREFIX/.ferrowin-ready" ]; then
    # A prefix made before the fonts were part of it gets them now.
    [ -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ] || ferrowin_install_wine_fonts
    return 0
  fi
  (
    flock 9
    [ -f "$WINEPREFIX/.ferrowin-ready" ] && exit 0
    wineboot -i >/dev/null 2>&1
    wineserver -w
    ferrowin_install_wine_fonts
    find "$WINEPREFIX/dosdevices" -maxdepth 1 -name '?:' ! -name 'c:' -exec rm -f {} +
    local user
    for user in "$WINEPREFIX/drive_c/users/"*; do
      [ "$(basename "$user")" = Public ] && continue
      find "$user" -maxdepth 1 -type l | while read -r link; do rm -f "$link"; mkdir -p "$link"; done
      wine cmd /c attrib +h "C:\\users\\$(basename "$user")" >/dev/null 2>&1
    done
    # On a virtual display there is no window manager: Wine draws the Windows
    # frame itself, and does not wait for a manager to confirm that a closed
    # window is gone (two seconds per window otherwise).
    if [ "${FERROWIN_MANAGED_WINDOWS:-no}" != yes ]; then
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    wineserver -w
    touch "$WINEPREFIX/.ferrowin-ready"
  ) 9>"$WINEPREFIX.lock"
}

# Puts the stand-ins for the console tools where Windows keeps the real
# ones, in the prefix's system32 and system32/wbem, from where the program
# runs them. A file is replaced by a new one, never written through: a
# stand-in still running keeps its own, and a link into Wine's installation
# is left alone.
ferrowin_install_standins() {
  local standins="$FERROWIN_BUILD/tests/standins" system32="$WINEPREFIX/drive_c/windows/system32"
  [ -d "$standins" ] || return 0
  local tool target
  for tool in net.exe icacls.exe wbem/wmic.exe; do
    target="$system32/$tool"
    cmp -s "$standins/${tool##*/}" "$target" || cp --remove-destination "$standins/${tool##*/}" "$target"
  done
}

# Keeps one wineserver and one Wine desktop alive for the whole run, so each
# start of a program costs a fraction of a second instead of seconds.
# Wine closes its desktop (explorer) a second after the last program has
# ended, and the next program to open a window starts a new one. A program
# that meets a desktop still starting or just going away gets no display
# driver, and every window it makes fails at once; and a desktop started by a
# test inherits the test's output, so ctest waits on it as long as it lives.
# So a console program that waits on a pipe this shell holds open starts the
# session (Wine's services and the desktop, with its output) and stays on the
# desktop until the shell exits; the tests then all meet that one desktop.
ferrowin_start_wineserver() {
  wineserver -p
  local keeper="$WINEPREFIX.desktop" waited=0
  rm -f "$keeper" "$keeper.out"
  mkfifo "$keeper"
  (cd "$WINEPREFIX/drive_c" && exec wine cmd /c pause) <"$keeper" >"$keeper.out" 2>/dev/null 9>&- &
  exec 8>"$keeper"
  rm -f "$keeper"
  # The desktop is ready once this prefix's explorer runs and a program of
  # its session has opened a window on it.
  until [ -s "$keeper.out" ] && ferrowin_desktop_running; do
    sleep 0.1
    waited=$((waited + 1))
    if [ $waited -gt 600 ]; then
      echo "The Wine desktop of $WINEPREFIX did not start within 60 s" >&2
      return 1
    fi
  done
  rm -f "$keeper.out"
  if ! (cd "$WINEPREFIX/drive_c" && wine rundll32.exe user32.dll,GetDesktopWindow) </dev/null >/dev/null 2>&1; then
    echo "The Wine desktop of $WINEPREFIX does not answer (rundll32 failed)" >&2
    return 1
  fi
}

# Whether the desktop process (explorer /desktop) of this prefix runs: other
# prefixes' desktops may run beside it.
ferrowin_desktop_running() {
  local pid
  for pid in $(pgrep -f 'explorer.exe' 2>/dev/null); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
  done
  return 1
}

# Starts a private virtual display and points DISPLAY at it. Xvfb picks a
# free display number itself and says which once it accepts connections, so
# no other run on this machine can take the number between a look and its use.
ferrowin_start_xvfb() {
  local numberFile waited=0
  numberFile=$(mktemp)
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$numberFile" >/dev/null 2>&1 8>&- &
  FERROWIN_XVFB_PID=$!
  until [ -s "$numberFile" ] && grep -q '^[0-9][0-9]*$' "$numberFile"; do
    sleep 0.1
    waited=$((waited + 1))
    if [ $waited -gt 100 ] || ! kill -0 "$FERROWIN_XVFB_PID" 2>/dev/null; then
      echo "Xvfb did not start" >&2
      rm -f "$numberFile"
      return 1
    fi
  done
  export DISPLAY=":$(head -n 1 "$numberFile")"
  rm -f "$numberFile"
  # The Wine desktop started next takes its display driver once, for its
  # whole life: the server must answer a client first.
  waited=0
  until xdotool getdisplaygeometry >/dev/null 2>&1; do
    sleep 0.1
    waited=$((waited + 1))
    if [ $waited -gt 100 ]; then echo "Xvfb on $DISPLAY does not answer" >&2; return 1; fi
  done
}

ferrowin_stop_xvfb() {
  [ -n "${FERROWIN_XVFB_PID:-}" ] && kill "$FERROWIN_XVFB_PID" 2>/dev/null || true
}

# Ends the Wine session of this prefix (and only this one) when the shell exits.
ferrowin_stop_wine_on_exit() {
  trap 'wineserver -k 2>/dev/null || true; ferrowin_stop_xvfb' EXIT
}
