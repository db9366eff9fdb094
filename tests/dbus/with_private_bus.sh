#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# usage: with_private_bus.sh COMMAND [ARGS...]
#
# Runs COMMAND with a private D-Bus daemon standing in for both the session
# and the system bus, so fake desktop services can be registered on it without
# touching the real ones. Exits 77 (skipped) when dbus-daemon is missing,
# unless CI=true, where that is a failure.
set -u

if ! command -v dbus-daemon >/dev/null 2>&1; then
    echo "dbus-daemon is missing"
    if [ "${CI:-}" = true ]; then exit 1; fi
    exit 77
fi

out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || { echo "FAIL: dbus-daemon did not start"; exit 1; }
address=$(sed -n 1p <<<"$out")
pid=$(sed -n 2p <<<"$out")
trap 'kill "$pid" 2>/dev/null' EXIT

export DBUS_SESSION_BUS_ADDRESS=$address
export DBUS_SYSTEM_BUS_ADDRESS=$address
"$@"
