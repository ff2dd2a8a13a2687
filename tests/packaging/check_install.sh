#!/usr/bin/env bash
# Installs the build into a throw-away root and checks the tree as a desktop and systemd would
# read it, then builds the Debian package and checks that it holds exactly that tree and that
# lintian finds no error in it. Nothing is installed on this machine.
#
#     check_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
app_id=com.tellmar.Korvane
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need() {
    command -v "$1" >/dev/null || { echo "FAIL: $1 is missing (scripts/bootstrap installs it)" >&2; exit 1; }
}
for tool in desktop-file-validate appstreamcli dpkg-deb dpkg-shlibdeps lintian cpack python3; do
    need "$tool"
done

echo "== cmake --install into $root"
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
(cd "$root" && find . -mindepth 1 ! -type d | sed 's|^\./||' | sort) >"$work/installed.txt"
for file in usr/bin/korvane usr/bin/korvane-engine usr/bin/kvnotify \
    usr/share/applications/$app_id.desktop usr/share/metainfo/$app_id.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/$app_id.svg \
    usr/lib/systemd/system/korvane-engine.service usr/lib/systemd/user/korvane-engine.service \
    usr/share/korvane/KV11-EN-Help/index.html usr/share/doc/korvane/README.md \
    usr/share/doc/korvane/copyright usr/share/doc/korvane/changelog.Debian.gz \
    usr/share/man/man1/korvane.1.gz usr/share/man/man1/korvane-engine.1.gz \
    usr/share/man/man1/kvnotify.1.gz usr/libexec/korvane/korvane-askpass; do
    grep -qxF "$file" "$work/installed.txt" || fail "not installed: $file"
done
for program in bin/korvane bin/korvane-engine bin/kvnotify libexec/korvane/korvane-askpass; do
    [[ -x $root/usr/$program ]] || fail "not executable: usr/$program"
done

echo "== desktop entry and metainfo"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net --strict "$root/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate"

echo "== icons: one PNG per size, of that size"
python3 - "$root/usr/share/icons/hicolor" "$app_id" <<'PY' || fail "icons"
import struct, sys
base, app = sys.argv[1], sys.argv[2]
bad = 0
for size in (16, 22, 24, 32, 48, 64, 128, 256):
    path = f"{base}/{size}x{size}/apps/{app}.png"
    try:
        with open(path, "rb") as png:
            head = png.read(24)
    except OSError as error:
        print(error); bad += 1; continue
    if head[:8] != b"\x89PNG\r\n\x1a\n" or struct.unpack(">II", head[16:24]) != (size, size):
        print(f"{path}: not a {size}x{size} PNG"); bad += 1
sys.exit(1 if bad else 0)
PY

echo "== systemd units"
for mode in system user; do
    unit=$root/usr/lib/systemd/$mode/korvane-engine.service
    grep -q "^ExecStart=/usr/bin/korvane-engine" "$unit" || fail "$mode unit: ExecStart is not /usr/bin/korvane-engine"
    if ! command -v systemd-analyze >/dev/null; then
        echo "systemd-analyze is not installed: $mode unit not verified"
        continue
    fi
    # The unit as installed, but naming the program in this tree, which verify wants to exist.
    mkdir -p "$work/verify-$mode" "$work/runtime"
    chmod 700 "$work/runtime"
    sed "s|/usr/bin/korvane-engine|$root/usr/bin/korvane-engine|" "$unit" \
        >"$work/verify-$mode/korvane-engine.service"
    flag=()
    [[ $mode == user ]] && flag=(--user)
    if ! XDG_RUNTIME_DIR=$work/runtime systemd-analyze "${flag[@]}" verify \
        "$work/verify-$mode/korvane-engine.service" >"$work/verify-$mode.log" 2>&1; then
        cat "$work/verify-$mode.log"
        fail "systemd-analyze verify, $mode unit"
    elif grep -q "korvane-engine.service" "$work/verify-$mode.log"; then
        cat "$work/verify-$mode.log"
        fail "systemd-analyze verify, $mode unit: warnings"
    fi
done

echo "== maintainer scripts"
for script in postinst prerm postrm; do
    sh -n "$(dirname "$0")/../../packaging/debian/$script" || fail "$script: syntax"
done

echo "== the Debian package"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    fail "cpack"
    exit 1
}
deb=$(ls "$work"/package/korvane_*.deb)
dpkg-deb --info "$deb" >"$work/info.txt"
cat "$work/info.txt"
grep -q "^ Package: korvane$" "$work/info.txt" || fail "package name"
# The dependencies are computed from the programs' libraries.
grep -q "^ Depends: .*libqt6widgets6" "$work/info.txt" || fail "no Qt Widgets dependency"
grep -q "^ Depends: .*libc6" "$work/info.txt" || fail "no C library dependency"
dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | sort \
    >"$work/packaged.txt"
if ! diff -u "$work/installed.txt" "$work/packaged.txt"; then
    fail "the package does not hold exactly the installed tree"
fi
dpkg-deb --extract "$deb" "$work/extracted"
"$work/extracted/usr/bin/korvane-engine" --help >/dev/null || fail "the packaged engine does not run"

echo "== lintian"
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1 || true
cat "$work/lintian.txt"
if grep -q "^E: " "$work/lintian.txt"; then
    fail "lintian reports errors"
fi

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all checks passed"
