#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts the reference service with its
# demo data on loopback, writes the client's config.ini and pubkey.bin into a per-user
# working folder and starts the client there.
#
# With a display the login dialog appears; log in with a demo account (demo / demo123).
# Without one the script starts an X server of its own (Xvfb), lets the client log in
# automatically, saves screenshots of the login dialog and of the main window, prints their
# paths and ends everything it started.
#
# Environment: VELQUOR_HOME (working folder, default $XDG_DATA_HOME/velquor),
# VELQUOR_HTTP_PORT / VELQUOR_TCP_PORT (default: free ports), VELQUOR_BUILD_DIR (default
# build/), VELQUOR_NO_BUILD=1 (use the build as it is), VELQUOR_SHOTS (screenshot folder),
# VELQUOR_HEADLESS=1 (behave as without a display), VELQUOR_RUNS=N (no display: repeat the
# automatic login N times and print the start-up times).
set -euo pipefail
source "$(dirname "$0")/common.sh"

BUILD="${VELQUOR_BUILD_DIR:-$ROOT/build}"
if [ "${VELQUOR_NO_BUILD:-0}" != 1 ]; then
  bash "$ROOT/scripts/setup-deps.sh"
  configure_build "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
BIN="$BUILD/bin"
WORK="${VELQUOR_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/velquor}"
CLIENT="$WORK/client"
mkdir -p "$CLIENT" "$WORK/service"
chmod 700 "$WORK" "$CLIENT" "$WORK/service"

if [ ! -x "$BIN/velquor-service" ] || [ ! -x "$BIN/Orvanel" ]; then
  echo "velquor-service or Orvanel is missing from $BIN; the build did not finish." >&2
  exit 1
fi

HEADLESS=0
if [ "${VELQUOR_HEADLESS:-0}" = 1 ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
  HEADLESS=1
fi

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
HTTP_PORT="${VELQUOR_HTTP_PORT:-$(free_port)}"
TCP_PORT="${VELQUOR_TCP_PORT:-$(free_port)}"

# Everything started here is ended here, by its own process id.
PIDS=()
QT_TMP=""
cleanup() {
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    kill "${PIDS[$i]}" 2>/dev/null || true
    wait "${PIDS[$i]}" 2>/dev/null || true
  done
  if [ -n "$QT_TMP" ]; then rm -rf "$QT_TMP"; fi
}
trap cleanup EXIT

rm -f "$CLIENT/pubkey.bin"
"$BIN/velquor-service" --data "$WORK/service" --address 127.0.0.1 --http-port "$HTTP_PORT" \
  --tcp-port "$TCP_PORT" --pubkey "$CLIENT/pubkey.bin" > "$WORK/service.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 1 200); do
  if [ -s "$CLIENT/pubkey.bin" ] && (exec 3<>"/dev/tcp/127.0.0.1/$TCP_PORT") 2>/dev/null; then
    break
  fi
  sleep 0.05
done
if ! (exec 3<>"/dev/tcp/127.0.0.1/$TCP_PORT") 2>/dev/null; then
  echo "The reference service did not start; its log:" >&2
  cat "$WORK/service.log" >&2
  exit 1
fi
echo "Reference service on 127.0.0.1 (HTTP $HTTP_PORT, binary $TCP_PORT), data in $WORK/service"
sed -n '/Demo accounts/,/^velquor-service/p' "$WORK/service.log" | sed '$d' || true

# The client's settings: this service, binary transport. Without a display the demo
# account is remembered with automatic login, which logs in 5 s after the dialog shows.
write_config() {
  {
    printf '[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=%s\r\nTCPORT=%s\r\nUSE=2\r\n\r\n' "$HTTP_PORT" "$TCP_PORT"
    printf '[URL]\r\nCOMMON=&clientver=3.0\r\nRenZheng=tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=0\r\n\r\n'
    if [ "$HEADLESS" = 1 ]; then
      printf '[Manager]\r\nIsRemFlag=1\r\nIsLoginFlag=1\r\nUserName=demo\r\nUserPassword=demo123\r\n\r\n'
    elif [ -f "$CLIENT/config.ini" ]; then
      # Keep what the user chose to remember.
      sed -n '/^\[Manager\]/,/^\r\?$/p' "$CLIENT/config.ini"
    fi
  } > "$CLIENT/config.ini.new"
  chmod 600 "$CLIENT/config.ini.new"
  mv "$CLIENT/config.ini.new" "$CLIENT/config.ini"
}
write_config
cd "$CLIENT"

if [ "$HEADLESS" = 0 ]; then
  echo "Starting the client in $CLIENT (demo account: demo / demo123)"
  exec "$BIN/Orvanel" "$@"
fi

# ---- No display: our own X server, automatic login, screenshots ----
SHOTS="${VELQUOR_SHOTS:-$WORK/screenshots}"
mkdir -p "$SHOTS"
qt_test_env
QT_TMP="$(dirname "$HOME")"
DISPLAY_NO=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then DISPLAY_NO=$n; break; fi
done
Xvfb ":$DISPLAY_NO" -screen 0 1280x800x24 -nolisten tcp -noreset > "$WORK/xvfb.log" 2>&1 &
PIDS+=($!)
export DISPLAY=":$DISPLAY_NO"
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$DISPLAY_NO" ] && break
  sleep 0.05
done

# The whole screen as PNG: xwd's dump converted with Python's zlib.
grab() {
  local out="$1"
  xwd -root -silent -display "$DISPLAY" | python3 -c '
import struct, sys, zlib
d = sys.stdin.buffer.read()
h = struct.unpack(">25I", d[:100])
hsize, w, ht, order, bpp, bpl, ncolors = h[0], h[4], h[5], h[7], h[11], h[12], h[19]
masks = h[14:17]
px = d[hsize + ncolors * 12:]
def shift(m):
    s = 0
    while m and not m & 1:
        m >>= 1; s += 1
    return s
sh = [shift(m) for m in masks]
rows = []
step = bpp // 8
fast = bpp == 32 and order == 0 and masks == (0xFF0000, 0xFF00, 0xFF)
for y in range(ht):
    line = px[y * bpl:(y + 1) * bpl]
    if fast:
        rgb = bytearray(w * 3)
        rgb[0::3] = line[2:w * 4:4]
        rgb[1::3] = line[1:w * 4:4]
        rgb[2::3] = line[0:w * 4:4]
        rows.append(b"\0" + bytes(rgb))
        continue
    out = bytearray(b"\0")
    for x in range(w):
        v = int.from_bytes(line[x * step:(x + 1) * step], "little" if order == 0 else "big")
        out += bytes(((v & m) >> s) & 255 for m, s in zip(masks, sh))
    rows.append(bytes(out))
def chunk(t, b):
    return struct.pack(">I", len(b)) + t + b + struct.pack(">I", zlib.crc32(t + b) & 0xffffffff)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, ht, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
' "$out"
}

# Waits up to $2 seconds for the start-up trace line $1 in the client's log.
wait_for() {
  local what="$1" limit="$2" i
  for ((i = 0; i < limit * 10; i++)); do
    grep -q "^\[startup\] $what " "$WORK/client.log" 2>/dev/null && return 0
    kill -0 "$CLIENT_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

RUNS="${VELQUOR_RUNS:-1}"
for run in $(seq 1 "$RUNS"); do
  write_config
  VQ_STARTUP_TRACE=1 VQ_SCREENSHOT_DIR="$SHOTS/rendered" "$BIN/Orvanel" --backend=qt "$@" \
    > "$WORK/client.log" 2>&1 &
  CLIENT_PID=$!
  PIDS+=($CLIENT_PID)
  mkdir -p "$SHOTS/rendered"
  if wait_for login-shown 30; then
    sleep 1
    [ "$run" = 1 ] && grab "$SHOTS/login.png"
  else
    echo "The login dialog did not appear; the client's log:" >&2
    cat "$WORK/client.log" >&2
    exit 1
  fi
  # The automatic login starts 5 s after the dialog shows.
  if wait_for home-filled 40 || wait_for identity 5; then
    sleep 3
    [ "$run" = 1 ] && grab "$SHOTS/main.png"
  else
    echo "The main window did not fill; the client's log:" >&2
    cat "$WORK/client.log" >&2
    exit 1
  fi
  grep '^\[startup\]' "$WORK/client.log" | sed "s/^/run $run: /"
  kill "$CLIENT_PID" 2>/dev/null || true
  wait "$CLIENT_PID" 2>/dev/null || true
  unset 'PIDS[${#PIDS[@]}-1]'
done

echo "Screenshots:"
echo "  $SHOTS/login.png"
echo "  $SHOTS/main.png"
echo "The framework's own pictures of the two windows are in $SHOTS/rendered/."
