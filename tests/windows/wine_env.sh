# Sourced by the Wine test scripts: a headless, quiet Wine on the prefix $1
# (created by wine_prefix.sh) for the architecture $2, win32 or win64. Sets
# QUILLON_WINE to the loader of that architecture: Debian's `wine` and
# `wineboot` wrappers start the 32-bit loader whenever wine32 is installed,
# even for a 64-bit prefix, so the scripts call the loaders themselves.
# Fails when Wine is not installed; exits with QUILLON_SKIP (after saying why)
# when the prefix is 32-bit and this kernel cannot execute 32-bit programs.
# QUILLON_WINE32_LOADER names another 32-bit loader (the tests' stand-ins).
#
# A sourced file shares every variable with the script that sources it, so
# every name set here starts with quillon_ or QUILLON_ (or is Wine's own).
# shellcheck shell=sh
QUILLON_SKIP=77

quillon_wine_env() {
  case "$2" in
    win32) QUILLON_WINE=${QUILLON_WINE32_LOADER:-/usr/lib/wine/wine} ;;
    win64) QUILLON_WINE=/usr/lib/wine/wine64 ;;
    *) echo "quillon_wine_env: unknown architecture '$2' (win32 or win64)" >&2; exit 2 ;;
  esac
  if [ ! -x "$QUILLON_WINE" ] || ! command -v wineserver >/dev/null 2>&1; then
    echo "$QUILLON_WINE or wineserver not found: run scripts/install-deps (scripts/deps/windows.apt, 60-windows.sh)" >&2
    exit 1
  fi
  [ "$2" = win64 ] || quillon_need_32bit "$QUILLON_WINE"
  export WINEPREFIX="$1"
  # Programs that Wine starts on its own (its services) use the same loader.
  export WINELOADER="$QUILLON_WINE"
  # Wine wants a home directory; a bare CI environment may not name one.
  if [ -z "${HOME:-}" ]; then
    HOME=$(dirname "$1")
    export HOME
  fi
  export WINEDEBUG=-all
  # No Mono or Gecko installers, and no display: Wine runs on its null driver.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY
}

# Whether this kernel runs 32-bit x86 programs is found by running one (the
# 32-bit loader $1), not guessed from the kernel's name. A kernel built
# without 32-bit support refuses it with "Exec format error" (status 126):
# that is a skip with its reason, since no install changes it. Any other
# failure is a failure.
quillon_need_32bit() {
  if quillon_answer=$("$1" --version 2>&1); then
    return 0
  else
    quillon_status=$?
  fi
  case "$quillon_status:$quillon_answer" in
    126:*"xec format error"*)
      echo "SKIPPED: this kernel cannot execute 32-bit x86 programs ($1 --version: Exec format error)"
      exit "$QUILLON_SKIP" ;;
  esac
  echo "$1 --version failed with status $quillon_status: $quillon_answer" >&2
  exit 1
}

# A Unix path as Wine's programs see it: drive Z: is the Unix root.
quillon_wine_path() {
  case "$1" in
    /*) printf 'Z:%s' "$1" ;;
    *) echo "not an absolute path: $1" >&2; exit 1 ;;
  esac
}
