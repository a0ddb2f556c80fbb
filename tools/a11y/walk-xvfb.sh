#!/bin/sh
# Starts mivo on a private X server with a window manager and a private session
# bus (so its accessibility bus is private too), as a first launch over a stored
# configuration of non-default values, and walks its windows with walk.py.
#
#   tools/a11y/walk-xvfb.sh <build folder> [display number] [walk.py options...]
#
# Everything it starts ends with it; its home folder is removed.
set -eu
build=$(cd "$1" && pwd)
display=":${2:-46}"
shift
[ $# -gt 0 ] && shift
here=$(cd "$(dirname "$0")" && pwd)
home=$(mktemp -d)
trap 'kill $wm $xvfb 2>/dev/null || true; fusermount -u "$home/run/doc" 2>/dev/null || true; rm -rf "$home"' EXIT

Xvfb "$display" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
DISPLAY=$display openbox >/dev/null 2>&1 &
wm=$!

mkdir -p "$home/.config" "$home/run"
chmod 700 "$home/run"
cat >"$home/config.json" <<'EOF'
{"sources": ["soulseek", "bandcamp"],
 "quality": {"floor": "flac", "losslessOnly": true, "bestQuality": false, "upgradeEnabled": false},
 "run": {"searchCount": 9, "concurrency": 2, "toleranceSec": 3.0, "searchTimeoutSec": 45.0, "cooloffHours": 12.0},
 "ui": {"theme": "light"}, "outputDir": "~/MyDJ",
 "identity": {"enabled": true, "strict": true}, "spotifyConnected": true}
EOF

export DISPLAY="$display" HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run"
export MIVO_STANDIN_CONFIG="$home/config.json" MIVO_STANDIN_EVENT_RATE=20
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
dbus-run-session -- sh -c '
    here=$1
    shift
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    launcher=$!
    sleep 1
    "$0/mivo.app/Contents/MacOS/mivo" >"$HOME/mivo.log" 2>&1 &
    app=$!
    sleep 2
    /usr/bin/python3 "$here/walk.py" "$@"
    status=$?
    kill $app $launcher 2>/dev/null
    wait $app 2>/dev/null
    exit $status
' "$build" "$here" --tour "$@"
