#!/usr/bin/env bash
# Checks the Debian package the way a user meets it: a fresh Debian 12 root made with
# debootstrap, `apt-get install ./velquor_*.deb` in it, the reference service from the package
# and the program started through the launcher under Xvfb (screenshots of the login dialog and
# of the main window), then `apt-get purge velquor` and a look for anything left behind.
# Needs root, debootstrap and the network to the Debian mirror; not part of CI.
#
#   scripts/package-check.sh [DEB]      (default: the newest build-package/package/velquor_*.deb)
#
# VELQUOR_PKGROOT: the root to make (must not exist or be empty; default a temporary folder),
# KEEP_ROOT=1 keeps it, MIRROR overrides the mirror found in /etc/apt/sources.list*,
# VELQUOR_SHOTS: where the screenshots go (default the current directory).
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"

say() { printf '\n== %s\n' "$*"; }
die() {
  echo "package-check: $*" >&2
  exit 1
}

[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot, mounts)"
for tool in debootstrap Xvfb xwd python3; do
  command -v "$tool" > /dev/null || die "$tool is missing (apt-get install debootstrap xvfb x11-apps python3)"
done

DEB="${1:-$(ls -t "$ROOT"/build-package/package/velquor_*.deb 2> /dev/null | head -n 1)}"
[ -f "$DEB" ] || die "no package given and none in build-package/package (run scripts/package.sh)"
DEB="$(realpath "$DEB")"
SHOTS="$(realpath -m "${VELQUOR_SHOTS:-.}")"
mkdir -p "$SHOTS"

# The mirror this machine's apt uses for bookworm (one-line or deb822 sources).
find_mirror() {
  local f
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    awk '$1 == "deb" && $0 ~ / bookworm / { for (i = 2; i <= NF; i++) if ($i ~ /^https?:/) { print $i; exit } }' "$f"
  done
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      /Suites:[^\n]*bookworm( |\n|$)/ { for (i = 1; i <= NF; i++) if ($i ~ /^URIs:/) { split($i, u, " "); print u[2] } }' "$f"
  done
}
MIRROR="${MIRROR:-$(find_mirror | grep -v security | head -n 1)}"
[ -n "$MIRROR" ] || die "no bookworm mirror in /etc/apt/sources.list*; set MIRROR"

PKGROOT="${VELQUOR_PKGROOT:-$(mktemp -d /var/tmp/velquor-pkgroot.XXXXXX)}"
if [ -e "$PKGROOT" ] && [ -n "$(ls -A "$PKGROOT")" ]; then
  die "$PKGROOT is not empty"
fi
mkdir -p "$PKGROOT"

MOUNTS=()
PIDS=()
cleanup() {
  set +e
  local i
  for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
    kill "${PIDS[$i]}" 2> /dev/null && wait "${PIDS[$i]}" 2> /dev/null
  done
  for ((i = ${#MOUNTS[@]} - 1; i >= 0; i--)); do
    umount "${MOUNTS[$i]}" 2> /dev/null || umount -l "${MOUNTS[$i]}"
  done
  if [ "${KEEP_ROOT:-0}" = 1 ]; then
    echo "The root stays in $PKGROOT"
  elif ! findmnt -R "$PKGROOT" > /dev/null 2>&1; then
    rm -rf --one-file-system "$PKGROOT"
  else
    echo "package-check: mounts left below $PKGROOT; not removed" >&2
  fi
}
trap cleanup EXIT

in_root() { chroot "$PKGROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
  LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"; }

say "debootstrap --variant=minbase bookworm $PKGROOT $MIRROR"
debootstrap --variant=minbase bookworm "$PKGROOT" "$MIRROR" > "$SHOTS/debootstrap.log" 2>&1 ||
  die "debootstrap failed; see $SHOTS/debootstrap.log"
# bind MOUNTPOINT: the host's folder of that name inside the root; slave, so nothing mounted
# below it in the root can spread back to the host.
bind() {
  mkdir -p "$PKGROOT/$1"
  mount --bind "/$1" "$PKGROOT/$1"
  MOUNTS+=("$PKGROOT/$1")
  mount --make-rslave "$PKGROOT/$1"
}
# The browser engine needs a writable /dev/shm, its own mount on most hosts.
for m in proc sys dev dev/pts dev/shm; do bind "$m"; done

# The everyday user, and an administrator's site-wide defaults; both are not the package's.
in_root useradd --create-home --shell /bin/sh tester
snapshot() {
  # Every name in the root but logs, caches, temporary files and home folders.
  (cd "$PKGROOT" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./tmp \
    -o -path ./home -o -path ./root -o -path ./run -o -path ./var/log -o -path ./var/cache \
    -o -path ./var/lib/apt/lists \) -prune -o -print | sort)
}
snapshot > "$SHOTS/files-before.txt"

say "apt-get install ./$(basename "$DEB") (without recommended packages: Depends alone must do)"
cp "$DEB" "$PKGROOT/tmp/"
in_root apt-get update -qq
in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$DEB")" > "$SHOTS/apt-install.log" 2>&1 ||
  { tail -n 30 "$SHOTS/apt-install.log"; die "apt-get install failed"; }
grep -E 'newly installed|^After this|^Setting up velquor' "$SHOTS/apt-install.log"
in_root dpkg-query -W -f='${Package} ${Version} ${Status}\n' velquor
in_root sh -c 'for t in velquor vqcli vqlog vqkeygen velquor-service; do command -v $t; done'
in_root sh -c 'ls -l /usr/share/man/man1/velquor* /usr/share/man/man1/vq*'

say "the reference service from the package, and site-wide defaults in /etc/velquor"
HTTP_PORT=28480
TCP_PORT=28481
in_root mkdir -p /etc/velquor
chroot --userspec=tester:tester "$PKGROOT" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/tester \
  velquor-service --data /home/tester/service --http-port "$HTTP_PORT" --tcp-port "$TCP_PORT" \
  --pubkey /home/tester/service/client-pubkey.bin > "$SHOTS/service.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 1 100); do
  [ -s "$PKGROOT/home/tester/service/client-pubkey.bin" ] && break
  sleep 0.1
done
cp "$PKGROOT/home/tester/service/client-pubkey.bin" "$PKGROOT/etc/velquor/pubkey.bin"
# The remembered demo account logs in by itself 5 s after the dialog shows.
printf '[NET]\r\nIP=127.0.0.1\r\nHTTPPORT=%s\r\nTCPORT=%s\r\nUSE=2\r\n\r\n[URL]\r\nCOMMON=&clientver=3.0\r\nRenZheng=tc_service=300&TC_MFUNCNO=600&TC_SFUNCNO=0\r\n\r\n[Manager]\r\nIsRemFlag=1\r\nIsLoginFlag=1\r\nUserName=demo\r\nUserPassword=demo123\r\n\r\n' \
  "$HTTP_PORT" "$TCP_PORT" > "$PKGROOT/etc/velquor/config.ini"
ls -l "$PKGROOT/etc/velquor"

say "velquor under Xvfb, as the user tester"
DISPLAY_NO=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then DISPLAY_NO=$n; break; fi
done
Xvfb ":$DISPLAY_NO" -screen 0 1280x800x24 -nolisten tcp -noreset > "$SHOTS/xvfb.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 1 100); do
  [ -e "/tmp/.X11-unix/X$DISPLAY_NO" ] && break
  sleep 0.05
done
bind tmp/.X11-unix
in_root install -d -m 0700 -o tester -g tester /tmp/run-tester
# The browser engine's sandbox needs user namespaces, which a container may not give.
chroot --userspec=tester:tester "$PKGROOT" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/home/tester \
  XDG_RUNTIME_DIR=/tmp/run-tester DISPLAY=":$DISPLAY_NO" LANG=C.UTF-8 VQ_STARTUP_TRACE=1 \
  QTWEBENGINE_DISABLE_SANDBOX=1 velquor > "$SHOTS/client.log" 2>&1 &
CLIENT_PID=$!
PIDS+=("$CLIENT_PID")

# The whole screen as PNG: xwd's dump converted with Python's zlib (as scripts/demo.sh does).
grab() {
  xwd -root -silent -display ":$DISPLAY_NO" | python3 -c '
import struct, sys, zlib
d = sys.stdin.buffer.read()
h = struct.unpack(">25I", d[:100])
hsize, w, ht, order, bpp, bpl, ncolors = h[0], h[4], h[5], h[7], h[11], h[12], h[19]
if h[14:17] != (0xFF0000, 0xFF00, 0xFF) or bpp not in (24, 32):
    sys.exit("grab: unexpected visual")
step = bpp // 8
r, g, b = (2, 1, 0) if order == 0 else (step - 3, step - 2, step - 1)
px = d[hsize + ncolors * 12:]
rows = []
for y in range(ht):
    line = px[y * bpl:y * bpl + w * step]
    rgb = bytearray(w * 3)
    rgb[0::3] = line[r::step]
    rgb[1::3] = line[g::step]
    rgb[2::3] = line[b::step]
    rows.append(b"\0" + bytes(rgb))
def chunk(t, b):
    return struct.pack(">I", len(b)) + t + b + struct.pack(">I", zlib.crc32(t + b) & 0xffffffff)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, ht, 8, 2, 0, 0, 0))
png += chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + chunk(b"IEND", b"")
open(sys.argv[1], "wb").write(png)
' "$1"
  echo "screenshot $1"
}
wait_for() {
  local i
  for ((i = 0; i < $2 * 10; i++)); do
    grep -q "^\[startup\] $1 " "$SHOTS/client.log" && return 0
    kill -0 "$CLIENT_PID" 2> /dev/null || return 1
    sleep 0.1
  done
  return 1
}
wait_for login-shown 60 || { cat "$SHOTS/client.log"; die "the login dialog did not appear"; }
sleep 1
kill -0 "$CLIENT_PID" 2> /dev/null || { cat "$SHOTS/client.log"; die "the program ended"; }
grab "$SHOTS/package-login.png"
if wait_for home-filled 60; then
  sleep 3
  grab "$SHOTS/package-main.png"
else
  echo "the main window did not fill; the client's log:" >&2
  cat "$SHOTS/client.log" >&2
fi
grep '^\[startup\]' "$SHOTS/client.log"
echo "working folder:"
in_root ls -ld /home/tester/.local/share/velquor/client
in_root ls -l /home/tester/.local/share/velquor/client
for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do
  kill "${PIDS[$i]}" 2> /dev/null && wait "${PIDS[$i]}" 2> /dev/null || true
done
PIDS=()
# The browser engine's helpers end with the program; wait for them to let go of the root.
in_use() {
  local p
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2> /dev/null)" = "$PKGROOT" ] && return 0
  done
  return 1
}
for _ in $(seq 1 50); do
  in_use || break
  sleep 0.1
done

say "apt-get purge velquor, then a look for anything left"
in_root dpkg -L velquor | grep -v '/\.$' > "$SHOTS/package-files.txt"
in_root apt-get purge -y -q velquor > "$SHOTS/apt-purge.log" 2>&1 ||
  { cat "$SHOTS/apt-purge.log"; die "apt-get purge failed"; }
grep -E '^(Removing|Purging)' "$SHOTS/apt-purge.log"
in_root apt-get autoremove --purge -y -q > "$SHOTS/apt-autoremove.log" 2>&1
# The administrator's own files are theirs to remove.
rm -rf "$PKGROOT/etc/velquor"
left=0
while read -r f; do
  if [ -e "$PKGROOT$f" ] && [ ! -d "$PKGROOT$f" ]; then
    echo "left behind: $f"
    left=1
  fi
done < "$SHOTS/package-files.txt"
snapshot > "$SHOTS/files-after.txt"
echo "names added since before the install (outside logs, caches and home folders):"
comm -13 "$SHOTS/files-before.txt" "$SHOTS/files-after.txt" | sed 's/^/  /'
if comm -13 "$SHOTS/files-before.txt" "$SHOTS/files-after.txt" | grep -Ei 'velquor|orvanel|pallinote'; then
  left=1
fi
if in_root dpkg-query -W velquor > /dev/null 2>&1; then
  echo "dpkg still knows velquor: $(in_root dpkg-query -W -f='${Status}' velquor)"
  left=1
fi
[ "$left" = 0 ] || die "the package left files behind"
echo "nothing of the package is left (the user's own folder stays in /home/tester, as it should)"
