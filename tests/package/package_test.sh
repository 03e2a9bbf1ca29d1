#!/usr/bin/env bash
# Builds the Debian package from a build folder into a temporary folder and checks what a user
# would get: files at their places with sane modes, the control fields, the desktop entry,
# AppStream data and man pages as their validators see them, the tools and the launcher run
# from the unpacked tree.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail

BUILD="$1"
SOURCE="$2"
WORK="$(mktemp -d /tmp/velquor-package-test.XXXXXX)"
PIDS=()
cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2> /dev/null && wait "$p" 2> /dev/null; done
  rm -rf "$WORK"
}
trap cleanup EXIT

failures=0
group=""
fail() {
  echo "FAIL [$group] $*"
  failures=$((failures + 1))
}
begin() {
  group="$1"
  echo "-- $group"
}
# expect_eq WHAT EXPECTED ACTUAL
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected '$2', got '$3'"; }

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli groff; do
  command -v "$tool" > /dev/null || {
    echo "FAIL: $tool is missing (scripts/setup-deps.sh installs it)"
    exit 1
  }
done

begin "build"
(cd "$WORK" && cpack -G DEB -B "$WORK/cpack" --config "$BUILD/CPackConfig.cmake") > "$WORK/cpack.log" 2>&1 || {
  cat "$WORK/cpack.log"
  echo "FAIL: cpack"
  exit 1
}
debs=("$WORK"/cpack/velquor_*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || {
  echo "FAIL: expected one velquor_*.deb, found: ${debs[*]}"
  exit 1
}
DEB="${debs[0]}"
ARCH="$(dpkg --print-architecture)"
VERSION="$(dpkg-deb -f "$DEB" Version)"
expect_eq "file name" "velquor_${VERSION}_${ARCH}.deb" "$(basename "$DEB")"
# path -> "mode owner" from the archive's listing, e.g. "-rwxr-xr-x root/root".
declare -A MODE
while read -r mode owner _ _ _ path _; do
  MODE["${path%/}"]="$mode $owner"
done < <(dpkg-deb -c "$DEB")

begin "control fields"
expect_eq Package velquor "$(dpkg-deb -f "$DEB" Package)"
expect_eq Architecture "$ARCH" "$(dpkg-deb -f "$DEB" Architecture)"
expect_eq Section net "$(dpkg-deb -f "$DEB" Section)"
expect_eq Priority optional "$(dpkg-deb -f "$DEB" Priority)"
[[ "$(dpkg-deb -f "$DEB" Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] ||
  fail "Maintainer is not 'Name <address>': $(dpkg-deb -f "$DEB" Maintainer)"
description="$(dpkg-deb -f "$DEB" Description)"
[ -n "$(head -n 1 <<< "$description")" ] || fail "no short description"
[ "$(wc -l <<< "$description")" -ge 3 ] || fail "no long description"
# The names in a relation field, without versions or alternatives' bars.
names() { dpkg-deb -f "$DEB" "$1" | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g' | sed '/^$/d'; }
depends="$(names Depends)"
# What the binaries link (seen by dpkg-shlibdeps) and what is loaded at run time.
for p in libdb5.3++ libqt6webenginecore6 libqt6webenginewidgets6 libqt6widgets6 libqt6multimedia6 \
  libssl3 libsqlite3-0 zlib1g libstdc++6 qt6-qpa-plugins libqt6webenginecore6-bin fonts-wqy-microhei; do
  grep -qxF "$p" <<< "$depends" || fail "Depends lacks $p: $(dpkg-deb -f "$DEB" Depends)"
done
grep -qxF qt6-wayland <<< "$(names Recommends)" || fail "Recommends lacks qt6-wayland"
# No maintainer script may leave files behind; ldconfig is the only thing they may run.
dpkg-deb -e "$DEB" "$WORK/control"
for script in preinst postinst prerm postrm; do
  [ -f "$WORK/control/$script" ] || continue
  extra="$(grep -vE '^(#!/bin/sh|set -e|if \[ "\$1" = "(configure|remove)" \]; then|[[:space:]]*ldconfig|fi|)$' "$WORK/control/$script")"
  [ -z "$extra" ] || fail "$script does more than ldconfig: $extra"
done
[ ! -f "$WORK/control/conffiles" ] || fail "the package has conffiles: $(cat "$WORK/control/conffiles")"

begin "contents"
EXECUTABLES=(
  ./usr/bin/velquor
  ./usr/bin/vqcli
  ./usr/bin/vqlog
  ./usr/bin/vqkeygen
  ./usr/bin/velquor-service
  ./usr/lib/velquor/Orvanel
)
FILES=(
  ./usr/lib/velquor/Pallinote.ocx
  ./usr/lib/velquor/htmlPath/home.html
  ./usr/lib/velquor/htmlPath/portal.js
  ./usr/lib/velquor/res/dialogs.vqrc
  ./usr/lib/velquor/res/strings.vqrc
  ./usr/lib/velquor/res/art/130-login-background.bmp
  ./usr/lib/velquor/Skin/标准风格/MainBkImg.bmp
  ./usr/share/applications/com.velquor.Velquor.desktop
  ./usr/share/metainfo/com.velquor.Velquor.metainfo.xml
  ./usr/share/doc/velquor/copyright
  ./usr/share/man/man1/velquor.1.gz
  ./usr/share/man/man1/vqcli.1.gz
  ./usr/share/man/man1/vqlog.1.gz
  ./usr/share/man/man1/vqkeygen.1.gz
  ./usr/share/man/man1/velquor-service.1.gz
)
# The application icons, once the art provides them.
if [ -d "$SOURCE/res/icons/hicolor" ]; then
  for n in 16 22 24 32 48 64 128 256; do
    FILES+=("./usr/share/icons/hicolor/${n}x${n}/apps/velquor.png")
  done
fi
# Double-size pictures the build puts beside the program go along.
while IFS= read -r f; do
  FILES+=("./usr/lib/velquor/${f#"$BUILD"/bin/}")
done < <(find "$BUILD/bin/res" "$BUILD/bin/Skin" -name '*@2x.bmp' 2> /dev/null)
for f in "${EXECUTABLES[@]}"; do
  expect_eq "$f" "-rwxr-xr-x root/root" "${MODE[$f]:-missing}"
done
for f in "${FILES[@]}"; do
  expect_eq "$f" "-rw-r--r-- root/root" "${MODE[$f]:-missing}"
done
for path in "${!MODE[@]}"; do
  mode="${MODE[$path]}"
  case "$path" in
    . | ./usr | ./usr/*) ;;
    *) fail "outside /usr: $path" ;;
  esac
  case "$path" in ./usr/local* | ./opt*) fail "not an FHS place for a package: $path" ;; esac
  [ "${mode:8:1}" != w ] || fail "world-writable: $path ($mode)"
  [ "${mode#* }" = root/root ] || fail "not owned by root: $path ($mode)"
  case "${mode:0:1}" in
    d) expect_eq "directory $path" drwxr-xr-x "${mode%% *}" ;;
    -) [[ "${mode%% *}" =~ ^-rw[x-]r-[x-]r-[x-]$ ]] || fail "odd mode of $path: $mode" ;;
  esac
done

begin "validators"
dpkg-deb -x "$DEB" "$WORK/root"
R="$WORK/root"
desktop-file-validate "$R/usr/share/applications/com.velquor.Velquor.desktop" > "$WORK/dfv.log" 2>&1 ||
  fail "desktop-file-validate: $(cat "$WORK/dfv.log")"
appstreamcli validate --no-net "$R/usr/share/metainfo/com.velquor.Velquor.metainfo.xml" > "$WORK/as.log" 2>&1 ||
  fail "appstreamcli validate: $(cat "$WORK/as.log")"
for page in velquor vqcli vqlog vqkeygen velquor-service; do
  gz="$R/usr/share/man/man1/$page.1.gz"
  gzip -t "$gz" 2> /dev/null || {
    fail "$page.1.gz is not gzip"
    continue
  }
  warnings="$(zcat "$gz" | groff -man -ww -z 2>&1)"
  [ -z "$warnings" ] || fail "groff on $page.1: $warnings"
  zcat "$gz" | grep -q "^\.TH $(tr '[:lower:]' '[:upper:]' <<< "$page" | sed 's/-/\\\\-/') 1 " ||
    fail "$page.1 has no .TH for section 1"
  zcat "$gz" | grep -q '^\.SH EXIT STATUS' || fail "$page.1 has no EXIT STATUS"
done

begin "desktop entry, icon and metainfo agree"
entry="$R/usr/share/applications/com.velquor.Velquor.desktop"
expect_eq "Exec" "Exec=velquor" "$(grep '^Exec=' "$entry")"
expect_eq "Icon" "Icon=velquor" "$(grep '^Icon=' "$entry")"
expect_eq "StartupWMClass" "StartupWMClass=Orvanel" "$(grep '^StartupWMClass=' "$entry")"
expect_eq "Name" "Name=Velquor" "$(grep '^Name=' "$entry")"
meta="$R/usr/share/metainfo/com.velquor.Velquor.metainfo.xml"
grep -q '<id>com.velquor.Velquor</id>' "$meta" || fail "metainfo id"
grep -q '<launchable type="desktop-id">com.velquor.Velquor.desktop</launchable>' "$meta" ||
  fail "metainfo does not launch the desktop entry"
newest="$(grep -o '<release version="[^"]*"' "$meta" | head -n 1 | cut -d'"' -f2)"
expect_eq "newest release in the metainfo" "$VERSION" "$newest"

begin "tools run from the package"
B="$R/usr/bin"
"$B/vqcli" > /dev/null 2>&1
expect_eq "vqcli without arguments" 2 "$?"
"$B/vqlog" --log "$WORK/none.dat" list > /dev/null 2>&1
expect_eq "vqlog on a missing log" 1 "$?"
(cd "$WORK" && "$B/vqkeygen" --bits 1024 --public "$WORK/key.bin" --private "$WORK/key.pem")
expect_eq "vqkeygen" 0 "$?"
expect_eq "private key mode" 600 "$(stat -c %a "$WORK/key.pem" 2> /dev/null)"
"$B/velquor-service" --data "$WORK/service" --address 127.0.0.1 --http-port 0 --tcp-port 0 \
  > "$WORK/service.log" 2>&1 &
service_pid=$!
PIDS+=("$service_pid")
for _ in $(seq 1 100); do
  grep -q '^velquor-service: data' "$WORK/service.log" && break
  sleep 0.1
done
grep -q '^  demo ' "$WORK/service.log" || fail "the service did not make its demo branch: $(cat "$WORK/service.log")"
kill -TERM "$service_pid"
wait "$service_pid"
expect_eq "service stopped by SIGTERM" 0 "$?"

begin "launcher"
mkdir -p "$WORK/etc" "$WORK/home"
printf '[NET]\r\nIP=192.0.2.7\r\n' > "$WORK/etc/config.ini"
printf 'site key' > "$WORK/etc/pubkey.bin"
# launch ENV...: the packaged launcher in a clean environment, running the program headless
# until its login dialog shows, then ending it. Returns the program's status; the output is
# in $WORK/launch.log.
launch() {
  env -i PATH=/usr/bin:/bin VELQUOR_SYSCONFDIR="$WORK/etc" VQ_STARTUP_TRACE=1 "$@" \
    --backend=headless > "$WORK/launch.log" 2>&1 &
  local pid=$! i
  PIDS+=("$pid")
  for ((i = 0; i < 300; i++)); do
    grep -q '^\[startup\] login-shown' "$WORK/launch.log" && break
    kill -0 "$pid" 2> /dev/null || break
    sleep 0.1
  done
  kill -TERM "$pid" 2> /dev/null
  wait "$pid"
}
launch HOME="$WORK/home" XDG_DATA_HOME="$WORK/data" "$B/velquor"
expect_eq "program ended by SIGTERM" 143 "$?"
grep -q '^\[startup\] login-shown' "$WORK/launch.log" || fail "no login dialog: $(cat "$WORK/launch.log")"
client="$WORK/data/velquor/client"
expect_eq "working folder mode" 700 "$(stat -c %a "$client" 2> /dev/null)"
expect_eq "config.ini mode" 600 "$(stat -c %a "$client/config.ini" 2> /dev/null)"
# The program read the copied settings and added its own entries to them.
grep -q 192.0.2.7 "$client/config.ini" || fail "config.ini not copied from the site"
grep -q '^\[VERSION\]' "$client/config.ini" || fail "the program did not use config.ini"
cmp -s "$WORK/etc/pubkey.bin" "$client/pubkey.bin" || fail "pubkey.bin not copied from the site"
[ -z "$(find "$client" -name '.*')" ] || fail "temporary files left: $(ls -A "$client")"
[ -e "$WORK/data/velquor/registry" ] || fail "the notifier control was not registered"
grep -Ei 'error|sanitizer|abort' "$WORK/launch.log" && fail "the program complained"
# The user's own files stay, even when the site's change.
printf '[NET]\r\nIP=198.51.100.1\r\n' > "$client/config.ini"
printf 'new site key' > "$WORK/etc/pubkey.bin"
rm "$client/pubkey.bin"
launch HOME="$WORK/home" XDG_DATA_HOME="$WORK/data" "$B/velquor"
grep -q 198.51.100.1 "$client/config.ini" || fail "the user's config.ini was replaced"
cmp -s "$WORK/etc/pubkey.bin" "$client/pubkey.bin" || fail "a missing pubkey.bin was not copied again"
# A config.ini that is a link to a file not made yet is the user's too.
rm "$client/config.ini"
ln -s "$WORK/elsewhere.ini" "$client/config.ini"
launch HOME="$WORK/home" XDG_DATA_HOME="$WORK/data" "$B/velquor"
[ -L "$client/config.ini" ] || fail "a linked config.ini was replaced"
# Where the folder goes.
launch HOME="$WORK/home" "$B/velquor"
[ -d "$WORK/home/.local/share/velquor/client" ] || fail "no folder under HOME without XDG_DATA_HOME"
launch HOME="$WORK/home2" XDG_DATA_HOME=relative/path "$B/velquor"
[ -d "$WORK/home2/.local/share/velquor/client" ] || fail "a relative XDG_DATA_HOME was not ignored"
launch HOME="$WORK/home" VELQUOR_HOME="$WORK/vh" "$B/velquor"
[ -d "$WORK/vh/client" ] || fail "VELQUOR_HOME not used"
launch "$B/velquor"
expect_eq "launcher without HOME" 1 "$?"
grep -q 'HOME' "$WORK/launch.log" || fail "no word on the missing HOME: $(cat "$WORK/launch.log")"
# Started through a link elsewhere on the PATH, it still finds the program.
mkdir -p "$WORK/links"
ln -s "$B/velquor" "$WORK/links/velquor"
launch HOME="$WORK/home3" "$WORK/links/velquor"
grep -q '^\[startup\] login-shown' "$WORK/launch.log" || fail "through a link: $(cat "$WORK/launch.log")"

echo
if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
