#!/usr/bin/env bash
# Builds kstrv7.exe and runs it under Wine until it is stopped (Ctrl+C): on the
# current display, or, when there is none, on a virtual Xvfb display that is
# served to a web browser (x11vnc and noVNC's websockify, both on localhost
# only, the viewer with a password of its own made for the run).
#   run.sh [arguments of kstrv7.exe]
#   run.sh --smoke   always on a virtual display: starts the program, waits for
#                    its password prompt, checks that the viewer answers, and
#                    ends everything it started; non-zero on any failure
# Installs missing Debian packages first.
set -euo pipefail
source "$(dirname "$0")/common.sh"
cd "$KS_ROOT"

smoke=0
if [ "${1:-}" = "--smoke" ]; then
  smoke=1
  shift
fi
now() { date +%s%3N; }  # milliseconds
took() {
  local ms=$(($(now) - $1))
  printf '%d.%d s' $((ms / 1000)) $((ms % 1000 / 100))
}

# Runs the command every half second until it succeeds: false after $1 seconds.
ks_poll() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.5
  done
}

# The first port from $1 on that nothing listens on, on localhost.
ks_free_port() {
  local port=$1
  while (: <"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((port + 1)); done
  echo "$port"
}

# The viewer answers on port $1: its page over HTTP, and its WebSocket
# reaches the VNC server (which greets with "RFB 003.008").
ks_viewer_answers() {
  python3 - "$1" <<'PYTHON' 2>/dev/null
import base64, os, socket, sys, urllib.request
port = int(sys.argv[1])
page = urllib.request.urlopen(f"http://127.0.0.1:{port}/vnc.html", timeout=5).read()
assert b"noVNC" in page
with socket.create_connection(("127.0.0.1", port), timeout=5) as ws:
    key = base64.b64encode(os.urandom(16)).decode()
    ws.sendall((f"GET /websockify HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\nSec-WebSocket-Version: 13\r\n"
                "Sec-WebSocket-Protocol: binary\r\n\r\n").encode())
    data = b""
    while b"RFB 003." not in data:
        chunk = ws.recv(4096)
        assert chunk
        data += chunk
    assert data.startswith(b"HTTP/1.1 101")
PYTHON
}

# Runs the program until it ends or Ctrl+C. Wine passes Ctrl+C on only to
# console programs, so the shell takes it and ends instead (the EXIT trap then
# ends the prefix's programs).
ks_run_program() {
  trap 'exit 130' INT TERM
  "$WINE" build/windows/bin/kstrv7.exe "$@" &
  wait $! || true
}

# What the prompt takes: the default password while none is stored in the prefix.
ks_password_hint() {
  if awk '/^\[/ { in_key = (tolower($0) ~ /^\[software\\\\ksv\\\\settings\]/) }
         in_key && tolower($0) ~ /^"pwd"=/ { found = 1 }
         END { exit !found }' "$WINEPREFIX/system.reg" 2>/dev/null; then
    echo "the one set on the Settings tab"
  else
    echo "tavrolk (the default while none is set; any letter case)"
  fi
}

# ---- Outside the virtual display: build, then start the display ---------------

if [ -z "${KS_VIRTUAL_STATE:-}" ]; then
  ks_ensure_packages "${KS_PACKAGES[@]}"
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target kstrv7

  if [ $smoke -eq 0 ] && [ -n "${DISPLAY:-}" ]; then
    ks_wine_env "$KS_ROOT/build/windows/wineprefix"
    echo "Kestrove Pro starts with its password prompt over a black cover, which takes the whole screen"
    echo "until the password is typed: $(ks_password_hint)."
    echo "Ctrl+C stops it."
    trap ks_wine_stop EXIT
    ks_wine_start
    ks_run_program "$@"
    exit
  fi

  # The inner run writes the ids of what it started here (Xvfb, x11vnc,
  # websockify), so that this side can tell that all of it has ended.
  KS_VIRTUAL_STATE=$(mktemp -d)
  export KS_VIRTUAL_STATE
  trap 'rm -rf "$KS_VIRTUAL_STATE"' EXIT
  status=0
  [ $smoke -eq 1 ] || echo "No display: running on a virtual one (Xvfb), served to a web browser."
  inner=("$0")
  [ $smoke -eq 0 ] || inner+=(--smoke)
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" bash "${inner[@]}" "$@" || status=$?
  [ $smoke -eq 1 ] || exit $status

  # Ended cleanly: nothing the run started is left.
  ended=$(now)
  ks_wine_env "$KS_ROOT/build/windows/wineprefix"
  timeout 30 wineserver -w || { echo "smoke: the wineserver still runs" >&2; status=1; }
  for pid in $(cat "$KS_VIRTUAL_STATE/pids" 2>/dev/null); do
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$pid" 2>/dev/null; then
      echo "smoke: left running: $(cat "/proc/$pid/comm" 2>/dev/null) ($pid)" >&2
      status=1
    fi
  done
  echo "smoke: everything ended in $(took "$ended")"
  [ $status -eq 0 ] && echo "smoke: passed" || echo "smoke: FAILED" >&2
  exit $status
fi

# ---- On the virtual display: the viewer, then the program ----------------------

ks_wine_env "$KS_ROOT/build/windows/wineprefix"
log_dir="$KS_ROOT/build/windows/run"
mkdir -p "$log_dir"
viewer_pids=()
stop_all() {
  local pid
  for pid in "${viewer_pids[@]}"; do kill -- "-$pid" 2>/dev/null || true; done
  ks_wine_stop
}
trap stop_all EXIT
# xvfb-run's own Xvfb (this shell's parent started it), for the check after the run.
pgrep -P "$PPID" -x Xvfb >>"$KS_VIRTUAL_STATE/pids" || true

# Each in a process group of its own, so that ending the group also ends the
# connections websockify forked.
started=$(now)
vnc_port=$(ks_free_port 5900)
web_port=$(ks_free_port 6080)
viewer_password=$(od -An -N4 -tx1 /dev/urandom | tr -d ' \n')  # VNC reads 8 characters
(umask 077 && echo "$viewer_password" >"$log_dir/viewer.pass")
setsid x11vnc -display "$DISPLAY" -localhost -rfbport "$vnc_port" -forever -shared -noxdamage \
  -passwdfile "rm:$log_dir/viewer.pass" >"$log_dir/x11vnc.log" 2>&1 </dev/null &
viewer_pids+=($!)
setsid websockify --web /usr/share/novnc "127.0.0.1:$web_port" "127.0.0.1:$vnc_port" \
  >"$log_dir/websockify.log" 2>&1 </dev/null &
viewer_pids+=($!)
echo "${viewer_pids[@]}" >>"$KS_VIRTUAL_STATE/pids"
address="http://localhost:$web_port/vnc.html?autoconnect=1&resize=scale&password=$viewer_password"
if ! ks_poll 30 ks_viewer_answers "$web_port"; then
  echo "The viewer did not answer on port $web_port; see $log_dir/x11vnc.log and websockify.log." >&2
  exit 1
fi

if [ $smoke -eq 0 ]; then
  echo "Open in a web browser on this machine:"
  echo "  $address"
  echo "  (from another computer: ssh -L $web_port:localhost:$web_port <this machine>, then the same address)"
  echo "Kestrove Pro starts with its password prompt over a black cover, which takes the whole screen"
  echo "until the password is typed: $(ks_password_hint)."
  echo "Ctrl+C stops it."
  ks_wine_start
  ks_run_program "$@"
  exit
fi

echo "smoke: viewer up in $(took "$started")"
started=$(now)
ks_wine_start
echo "smoke: Wine up in $(took "$started")"
started=$(now)
"$WINE" build/windows/bin/kstrv7.exe </dev/null >"$log_dir/kstrv7.log" 2>&1 &
# The password prompt is the window titled "Kestrove" over the cover.
prompt_shown() { xdotool search --onlyvisible --name '^Kestrove$' >/dev/null 2>&1; }
if ! ks_poll 120 prompt_shown; then
  echo "smoke: no password prompt within 120 s" >&2
  exit 1
fi
echo "smoke: password prompt shown in $(took "$started")"
ks_viewer_answers "$web_port" || {
  echo "smoke: the viewer does not answer with the program running" >&2
  exit 1
}
echo "smoke: viewer answers at $address"
