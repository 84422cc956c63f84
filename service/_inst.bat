#!/bin/sh
# Installs the LanternMgr upload service (systemd unit Bookferry.service) and starts it.
# Run by the manager, or by hand; asks for administrator rights when not run as root.
# With SHELVEX_SYSTEMD_DIR set (tests) the unit goes into that folder and systemd is left alone.

name=_inst.bat
here=$(CDPATH= cd -- "$(dirname -- "$0")" && pwd) || {
  echo "$name: cannot find the folder of this script" >&2
  exit 1
}

if [ "$(id -u)" -ne 0 ]; then
  if command -v pkexec >/dev/null 2>&1; then
    pkexec "$here/$name" "$@"
    status=$?
    if [ "$status" -eq 126 ] || [ "$status" -eq 127 ]; then
      echo "$name: administrator rights were not granted; the service was not installed" >&2
    fi
    exit "$status"
  elif command -v sudo >/dev/null 2>&1; then
    exec sudo -- "$here/$name" "$@"
  fi
  echo "$name: installing the service needs administrator rights, and neither pkexec nor sudo is" \
    "available; run this script as root" >&2
  exit 1
fi

"$here/shelvexserv" -install -silent || exit $?
if [ -n "${SHELVEX_SYSTEMD_DIR:-}" ]; then
  exit 0
fi
systemctl start Bookferry.service
