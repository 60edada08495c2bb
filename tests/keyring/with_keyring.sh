#!/usr/bin/env bash
# Runs a test program against a GNOME Keyring of its own, on the session bus that
# dbus-run-session started for this run, with its keyrings in a temporary home: the machine's
# keyrings are never touched. The login keyring is made and unlocked with a throwaway password
# (with an empty one the daemon makes none and would ask through a prompt that cannot show).
#   dbus-run-session -- bash with_keyring.sh PROGRAM [ARGUMENTS]
set -euo pipefail

if [[ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]]; then
    echo "with_keyring: run this under dbus-run-session" >&2
    exit 1
fi
if ! command -v gnome-keyring-daemon >/dev/null; then
    echo "with_keyring: gnome-keyring-daemon is missing (scripts/install-deps.sh installs it)" >&2
    exit 1
fi

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home"
export XDG_DATA_HOME="$home/data"
export XDG_CONFIG_HOME="$home/config"
export XDG_RUNTIME_DIR="$home/run"
mkdir -m 700 "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"

printf 'throwaway' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
"$@"
