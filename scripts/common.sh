# Shared by the scripts: Debian packages and the Wine environment.
# Sourced, not run.

KS_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

KS_PACKAGES=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev libssl-dev
  clang-format clang-tidy
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix mingw-w64-tools binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xauth imagemagick x11-utils xdotool
  nsis fp-utils libxml2-utils libxml2-dev
  x11vnc novnc websockify)

# The clang-tidy header filter for the project at $1: its own src/ and tests/
# folders, anchored at its root (as the shell and as the file system name it),
# so that where the clone lives never widens or narrows what is checked.
ks_tidy_header_filter() {
  local logical physical
  logical=$(cd "$1" && pwd -L | sed -E 's/[][\\.*^$+?(){}|]/\\&/g')
  physical=$(cd "$1" && pwd -P | sed -E 's/[][\\.*^$+?(){}|]/\\&/g')
  printf '^(%s|%s)/(src|tests)/' "$logical" "$physical"
}

# clang-tidy over the given sources of the project at $1 with the compile
# commands in the folder $2, four files per run and two runs at a time.
ks_clang_tidy() {
  local root=$1 build=$2
  shift 2
  printf '%s\n' "$@" | xargs -P 2 -n 4 clang-tidy -p "$build" --quiet --header-filter="$(ks_tidy_header_filter "$root")"
}

# Installs whatever of the packages is missing (as root, or through sudo).
ks_ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Wine settings for every Wine call of the scripts: no Mono/Gecko prompts, no
# desktop-file clutter, quiet.
ks_wine_env() {
  export WINEPREFIX="$1"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINE=/usr/lib/wine/wine64
}

# The program writes its start-with-Windows entry, and wineboot would start
# every such entry: remove it so that no stray copy runs beside the tests.
ks_wine_forget_run_entry() {
  timeout 60 "$WINE" reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v 'Kestrove Pro' /f \
    </dev/null >/dev/null 2>&1 || true
}

# Starts a persistent wineserver for the prefix with its output detached
# (Wine's background services would otherwise hold a pipe open and hang the
# reader), creates the prefix on first use and lets Wine draw window frames.
ks_wine_start() {
  local fresh=0
  [ -f "$WINEPREFIX/system.reg" ] || fresh=1
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1
  if [ $fresh -eq 0 ]; then ks_wine_forget_run_entry; fi
  timeout 300 "$WINE" wineboot -u </dev/null >/dev/null 2>&1
  if [ $fresh -eq 1 ]; then
    timeout 60 "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
      </dev/null >/dev/null 2>&1
  fi
}

ks_wine_stop() {
  ks_wine_forget_run_entry
  wineserver -k >/dev/null 2>&1 || true
}
