# Sourced by the Wine test scripts: a headless, quiet Wine on the prefix
# $1 (created by wine_prefix.sh). Fails when Wine is not installed.
# shellcheck shell=sh
quillon_wine_env() {
  if ! command -v wine >/dev/null 2>&1 || ! command -v wineserver >/dev/null 2>&1; then
    echo "wine not found: run scripts/install-deps (scripts/deps/windows.apt, 60-windows.sh)" >&2
    exit 1
  fi
  export WINEPREFIX="$1"
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

# A Unix path as Wine's programs see it: drive Z: is the Unix root.
quillon_wine_path() {
  case "$1" in
    /*) printf 'Z:%s' "$1" ;;
    *) echo "not an absolute path: $1" >&2; exit 1 ;;
  esac
}

# Shows what a program under Wine wrote to stderr (file $1, program $2).
# Crashes of the program itself show in its exit status, and the Windows host
# watches for faults in the DLL's hooks; a message about another process of
# Wine's (its services start with the first program) is shown, not judged.
quillon_wine_report() {
  [ -s "$1" ] || return 0
  echo "$2 wrote to stderr:" >&2
  sed 's/^/  /' "$1" >&2
}
