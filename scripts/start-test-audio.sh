#!/usr/bin/env bash
# Gives the tests a sound output named "out" that nobody hears (see
# tests/support/test-audio.sh). Source it, and call stop_test_audio on exit.
source "$(dirname "${BASH_SOURCE[0]}")/../tests/support/test-audio.sh"
start_test_audio || true
