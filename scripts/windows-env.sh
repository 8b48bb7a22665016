# What the Windows scripts (test-windows, screenshot-windows, package-windows) share: the packages they
# install, Qt for Windows, the cross build and wine with Polish settings in a prefix of the build's own.
# Sourced, not run; the caller is in the project's folder and has `set -euo pipefail`.

QT_MINGW_VERSION=6.4.2
WINDOWS_BUILD="${QUARVEL_WINDOWS_BUILD_DIR:-build/windows}"

windows_log() { echo "=== $(date '+%T') $*"; }

# Debian's mingw-w64 (POSIX threads, as Qt for Windows was built), wine, a screen for the windows
# (xvfb), the icon's drawing tools, GoogleTest's sources, nlohmann-json's headers (the batch command's JSON
# report; header only, so the host's serve), the host's Qt tools (moc, rcc) and Qt's
# Polish translations, the locale tools, zip, wine's own fonts, xwininfo (for the screenshots) and msitools
# and wixl (msibuild and wixl, which make the MSI packages; the same sources, two Debian packages).
windows_install_packages() {
  local packages=(cmake ninja-build g++ g++-mingw-w64-x86-64-posix nlohmann-json3-dev wine wine64 xvfb xauth librsvg2-bin imagemagick
                  googletest libgtest-dev qt6-base-dev qt6-base-dev-tools qt6-translations-l10n locales zip unzip
                  fonts-liberation fonts-wine xz-utils x11-utils msitools wixl)
  "$(dirname "${BASH_SOURCE[0]}")/install-packages" --quiet "${packages[@]}"
}

# Sets QT_MINGW_PREFIX to a Qt for Windows: the prefix QUARVEL_QT_MINGW names when it is a folder, else the
# archive it names (or ../shared/toolchains/qt6-mingw-6.4.2.tar.xz beside the project) unpacked to the
# prefix it was built for, else one built by scripts/build-qt-mingw into a cache folder (about 20 minutes on
# 2 cores; one built before is used again). With QUARVEL_QT_MINGW=none, or with QUARVEL_QT_BUILD=no when
# there is neither archive nor a Qt built before, it stays empty.
windows_find_qt() {
  QT_MINGW_PREFIX=""
  local given="${QUARVEL_QT_MINGW:-}"
  [ "$given" = none ] && return 0
  if [ -n "$given" ] && [ -d "$given" ]; then
    QT_MINGW_PREFIX="$(cd "$given" && pwd)"
    return 0
  fi
  local archive="$given"
  [ -n "$archive" ] || archive="$(cd .. && pwd)/shared/toolchains/qt6-mingw-${QT_MINGW_VERSION}.tar.xz"
  if [ -f "$archive" ]; then
    # The archive holds /opt/qt6-mingw-6.4.2, the prefix its Qt was built for; unpacked once per archive.
    local prefix=/opt/qt6-mingw-${QT_MINGW_VERSION}
    local stamp="$prefix/.quarvel-unpacked-from"
    local identity
    identity="$(sha256sum < "$archive")"
    if [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$identity" ]; then
      windows_log "Qt for Windows unpacked from $archive"
      rm -rf "$prefix"
      tar -C /opt -xJf "$archive"
      echo "$identity" > "$stamp"
    fi
    QT_MINGW_PREFIX="$prefix"
    return 0
  fi
  # A Qt built here before is used as it is; the mark is written once the whole build has succeeded.
  local cache="${QUARVEL_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/quarvel}/qt6-mingw-${QT_MINGW_VERSION}"
  if [ ! -f "$cache/.quarvel-built" ]; then
    if [ "${QUARVEL_QT_BUILD:-yes}" = no ]; then
      echo "Brak Qt dla Windows ($archive): pomijam okna. Qt zbuduje scripts/build-qt-mingw (około 20 minut)." >&2
      return 0
    fi
    windows_log "no Qt for Windows archive at $archive: building it into $cache (about 20 minutes)"
    PREFIX="$cache" scripts/build-qt-mingw
    touch "$cache/.quarvel-built"
  fi
  QT_MINGW_PREFIX="$cache"
}

# Makes a pl_PL.UTF-8 locale in a folder of the build's own (no change to the system's locales) and wine's
# prefix there (or in the folder PREFIX names), with what Polish settings give a Windows program: ANSI code
# page 1250, OEM (console) 852, Polish names and formats. Exports what wine and the programs under it read.
# Usage: windows_setup_wine [PREFIX]
windows_setup_wine() {
  local root
  root="$(pwd)/$WINDOWS_BUILD"
  mkdir -p "$root"
  export LOCPATH="$root/locale"
  if [ ! -d "$LOCPATH/pl_PL.UTF-8" ]; then
    mkdir -p "$LOCPATH"
    localedef -i pl_PL -f UTF-8 "$LOCPATH/pl_PL.UTF-8"
  fi
  # (This shell itself cannot take the locale from LOCPATH, only the programs it starts: its warning is dropped.)
  { export LANG=pl_PL.UTF-8 LC_ALL=pl_PL.UTF-8; } 2>/dev/null
  export WINEPREFIX="${1:-$root/wineprefix}" WINEARCH=win64 WINEDEBUG=-all
  # No Mono or Gecko to set up in a new prefix: no program here needs them.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Qt's DLLs and the compiler's runtime, found by the widget tests and the program as Windows finds them.
  if [ -n "${QT_MINGW_PREFIX:-}" ]; then
    export WINEPATH="$(winepath_of "$QT_MINGW_PREFIX/bin")"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    windows_log "wine prefix with Polish settings in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # Text smoothed as Windows smooths it since Windows 7 (ClearType); wine's default of none draws
    # Linux's faces with letters missing at the windows' size.
    printf '%s\r\n' 'REGEDIT4' '' '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"FontSmoothing"="2"' \
      '"FontSmoothingType"=dword:00000002' '"FontSmoothingGamma"=dword:00000578' \
      '"FontSmoothingOrientation"=dword:00000001' > "$root/font-smoothing.reg"
    wine regedit /S "$(winepath_of "$root/font-smoothing.reg")" >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Wine's own Tahoma (the face Windows' dialog font stands for) and Marlett (the signs of a window frame's
  # buttons), which Debian's wine keeps where it does not look for them: without them the windows fall
  # back to Linux's faces and the frame's buttons show as "0 1 r".
  local font
  for font in tahoma.ttf tahomabd.ttf marlett.ttf; do
    if [ -f "/usr/share/wine/fonts/$font" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/$font" ]; then
      cp "/usr/share/wine/fonts/$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
  done
  trap windows_stop_wine EXIT
}

# The prefix's wine server and what it started end with the script.
windows_stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
}

# The Windows name wine gives a Linux path (the whole file system is its drive Z:).
winepath_of() {
  local path
  path="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
  echo "Z:${path//\//\\}"
}

# Configures the cross build: the core, the batch command and their tests; with Qt for Windows also the
# windows, quarvel.exe and the widget tests. Test programs run under wine (gtest's test lists are read at
# build time), with the address space's randomisation off: wine otherwise fails now and then to map its
# shared data ("failed to map the shared user data").
windows_configure() {
  local gui=OFF
  local extra=()
  if [ -n "${QT_MINGW_PREFIX:-}" ]; then
    gui=ON
    extra=(-DCMAKE_PREFIX_PATH="$QT_MINGW_PREFIX" -DQT_HOST_PATH=/usr)
  fi
  # GCC 12 takes std::string's own copies, inlined at -O3, for overlapping ones (GCC bug 105651).
  cmake -S . -B "$WINDOWS_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$(pwd)/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_CXX_FLAGS="-Wno-restrict" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="setarch;x86_64;-R;wine" \
    -DQUARVEL_BUILD_GUI=$gui "${extra[@]}" >/dev/null
}

# Builds the TARGETS given, or everything.
windows_build() {
  windows_configure
  if [ $# -gt 0 ]; then
    cmake --build "$WINDOWS_BUILD" --target "$@"
  else
    cmake --build "$WINDOWS_BUILD"
  fi
}
