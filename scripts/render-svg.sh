#!/usr/bin/env bash
# Renders an SVG (a tree drawn by norvane-dump tree --svg) to PNG with headless Chromium, to look
# at it as a browser shows it. usage: scripts/render-svg.sh IN.svg OUT.png
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 IN.svg OUT.png" >&2; exit 2; }
source "$(dirname "$0")/deps.sh"
need_packages chromium
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
    --disable-component-update --disable-sync --user-data-dir="$profile" --hide-scrollbars \
    --window-size=1600,920 --screenshot="$(realpath -m "$2")" "file://$(realpath "$1")" >/dev/null 2>&1
echo "$2"
