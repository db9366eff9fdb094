#!/bin/sh
# Runs the strobe timing check on a private X server. Exit 77 (skipped) without Xvfb.
set -u
check="$1"
command -v xvfb-run >/dev/null 2>&1 || { echo "xvfb-run not installed: skipped"; exit 77; }
XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
export XDG_RUNTIME_DIR QT_QPA_PLATFORM=xcb
xvfb-run -a -s '-screen 0 1280x1024x24' "$check"
status=$?
rm -rf "$XDG_RUNTIME_DIR"
exit $status
