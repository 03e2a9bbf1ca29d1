#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts the reference service
# with its demo data on loopback and runs the client against it. Without a
# display it runs headless and prints what it did.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup-deps.sh"
configure_build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo

BIN="$ROOT/build/bin"
WORK="${VELQUOR_HOME:-${XDG_DATA_HOME:-$HOME/.local/share}/velquor}"
mkdir -p "$WORK/client" "$WORK/service"

if [ ! -x "$BIN/velquor-service" ]; then
  echo "The reference service is not built yet; nothing to run against."
  "$BIN/Orvanel" || true
  exit 0
fi

HTTP_PORT="${VELQUOR_HTTP_PORT:-18080}"
TCP_PORT="${VELQUOR_TCP_PORT:-18081}"
"$BIN/velquor-service" --data "$WORK/service" --http-port "$HTTP_PORT" --tcp-port "$TCP_PORT" \
  --pubkey "$WORK/client/pubkey.bin" &
SERVICE_PID=$!
trap 'kill "$SERVICE_PID" 2>/dev/null; wait "$SERVICE_PID" 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  [ -f "$WORK/client/pubkey.bin" ] && break
  sleep 0.1
done

cd "$WORK/client"
if [ ! -f config.ini ]; then
  printf '[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=%s\r\nTCPORT=%s\r\nUSE=2\r\n\r\n[URL]\r\nCOMMON=&clientver=3.0\r\nRenZheng=tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=0\r\n' \
    "$HTTP_PORT" "$TCP_PORT" > config.ini
  chmod 600 config.ini
fi

if [ -x "$BIN/vqcli" ]; then
  echo "== Logging in as the demo user with the command-line client and reading the menu"
  "$BIN/vqcli" --config config.ini --user demo --password demo123 --timeout 10 1 virid=1 || true
fi
"$BIN/Orvanel" "$@"
