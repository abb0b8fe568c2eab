#!/bin/sh
# The 32-bit kernel check of wine_env.sh, run on every machine with stand-in
# 32-bit loaders in place of Wine's: each answers `--version` as a row below
# says and otherwise runs its program as a Linux one (a Z: path is the Unix
# path). compare_hosts.sh in linked mode then runs the Linux host "under
# Wine" beside itself, so a helper that clobbers one of its caller's
# variables, or a check that takes one answer for another, shows here.
# Usage: kernel_check.sh LINUX_HOST WORK_DIR
set -eu
here=$(cd "$(dirname "$0")" && pwd)
host=$1 work=$2
rm -rf "$work"
mkdir -p "$work/bin"
printf '#!/bin/sh\nexit 0\n' >"$work/bin/wineserver"
chmod +x "$work/bin/wineserver"
PATH=$work/bin:$PATH
export PATH

# Rows: name, status and answer of `LOADER --version`, the status that
# compare_hosts.sh must end with, and a text its output must hold.
failed=0
while IFS='|' read -r name status answer want_status want_text; do
  loader=$work/bin/wine-$name
  cat >"$loader" <<EOF
#!/bin/sh
if [ "\$1" = --version ]; then echo "$answer"; exit $status; fi
prog=\$1; shift
for a in "\$@"; do shift; case "\$a" in Z:/*) set -- "\$@" "\${a#Z:}" ;; *) set -- "\$@" "\$a" ;; esac; done
exec "\$prog" "\$@"
EOF
  chmod +x "$loader"
  got_status=0
  QUILLON_WINE32_LOADER=$loader sh "$here/compare_hosts.sh" linked "$host" "$host" \
    "$work/out-$name" "$work/prefix" win32 >"$work/$name.log" 2>&1 || got_status=$?
  if [ "$got_status" -ne "$want_status" ] || ! grep -qF -e "$want_text" "$work/$name.log"; then
    echo "$name: compare_hosts.sh ended with $got_status (want $want_status and \"$want_text\"):" >&2
    sed 's/^/  /' "$work/$name.log" >&2
    failed=1
  else
    echo "$name: status $got_status as expected"
  fi
done <<'ROWS'
runs|0|wine-8.0 (Debian 8.0~repack-4)|0|scenarios wrote the same bytes as the 64-bit Linux build
no-32-bit|126|/usr/lib/wine/wine: cannot execute binary file: Exec format error|77|SKIPPED: this kernel cannot execute 32-bit x86 programs
broken|127|error while loading shared libraries: libwine.so.1|1|--version failed with status 127
denied|126|/usr/lib/wine/wine: Permission denied|1|--version failed with status 126
ROWS
exit "$failed"
