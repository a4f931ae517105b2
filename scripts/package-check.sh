#!/usr/bin/env bash
# Builds the Debian package from a Release build and checks it as a user would get it:
# lintian without an error or a warning, the files a user looks for, the control fields,
# the desktop entry and the AppStream metadata, the manual pages in step with the
# programs' usage, the hardening of the binaries, and the programs run from the package
# unpacked into a scratch root without a display.
#   scripts/package-check.sh [BUILD_FOLDER]      (default build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/package}
fail() { echo "package check: $*" >&2; exit 1; }

echo "-- build and package"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKYQ_BUILD_TESTS=OFF -DKYQ_DEB_BUILDFLAGS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/keyquill_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/keyquill_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single keyquill_*_amd64.deb in $build"
deb=${debs[0]}
version=$(dpkg-deb -f "$deb" Version)
hook=usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/keyquill/libKeybHook.so
[ "$(basename "$deb")" = "keyquill_${version}_amd64.deb" ] || fail "$deb is not named after version $version"
echo "$deb"

echo "-- lintian"
lintian --fail-on error,warning "$deb"

echo "-- control fields"
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6svg6 qt6-wayland libqt6widgets6 libsodium23 libicu72 libc6; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
[ "$recommends" = "xdg-desktop-portal, fonts-wqy-zenhei | fonts-noto-cjk, qt6-translations-l10n" ] ||
  fail "Recommends: $recommends"

echo "-- files"
listing=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in usr/bin/KYQ usr/bin/kyq-cli "$hook" \
         usr/share/keyquill/help/intro.htm usr/share/keyquill/help/fill.htm usr/share/keyquill/readme.txt \
         usr/share/applications/com.example.tarnwick.Keyquill.desktop \
         usr/share/metainfo/com.example.tarnwick.Keyquill.metainfo.xml \
         usr/share/mime/packages/keyquill.xml usr/share/icons/hicolor/scalable/apps/keyquill.svg \
         usr/share/icons/hicolor/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/keyquill.png \
         usr/share/doc/keyquill/copyright usr/share/doc/keyquill/changelog.gz \
         usr/share/man/man1/KYQ.1.gz usr/share/man/man1/kyq-cli.1.gz; do
  grep -qx "./$f" <<<"$listing" || fail "the package lacks /$f"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

echo "-- desktop entry and AppStream metadata"
desktop-file-validate "$root"/usr/share/applications/com.example.tarnwick.Keyquill.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/com.example.tarnwick.Keyquill.metainfo.xml
for size in 16 24 32 48 64 128 256; do
  kind=$(file "$root/usr/share/icons/hicolor/${size}x${size}/apps/keyquill.png")
  grep -q "PNG image data, $size x $size" <<<"$kind" || fail "keyquill.png of ${size}x${size} is no such PNG"
done

echo "-- hardening"
# Each listing is read whole first: grep -q ends early, and pipefail would count the
# writer's broken pipe as a failure.
for binary in usr/bin/KYQ usr/bin/kyq-cli "$hook"; do
  segments=$(readelf -lW "$root/$binary") dynamic=$(readelf -dW "$root/$binary")
  grep -q GNU_RELRO <<<"$segments" || fail "$binary: no relro"
  grep -Eq "BIND_NOW|FLAGS.*\bNOW\b" <<<"$dynamic" || fail "$binary: no bind now"
done
for binary in usr/bin/KYQ usr/bin/kyq-cli; do
  header=$(readelf -hW "$root/$binary") symbols=$(readelf -sW --dyn-syms "$root/$binary")
  grep -q "DYN (Position-Independent Executable" <<<"$header" || fail "$binary: not PIE"
  grep -q __stack_chk_fail <<<"$symbols" || fail "$binary: no stack protector"
  grep -Eq "__[a-z]+_chk@" <<<"$symbols" || fail "$binary: no fortified call"
done

echo "-- the programs from the unpacked package, without a display"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
kyq=$root/usr/bin/KYQ cli=$root/usr/bin/kyq-cli
[ "$("$kyq" --version)" = "KYQ (Keyquill) $version" ] || fail "KYQ --version"
[ "$("$cli" --version)" = "kyq-cli (Keyquill) $version" ] || fail "kyq-cli --version"
"$kyq" --help >"$root/kyq-usage" || fail "KYQ --help"
"$cli" --help >"$root/cli-usage" || fail "kyq-cli --help"
printf '密码\n' | "$cli" import tests/cli/samples/browser-named.csv --owner 测试 -o "$root/t.kyq" --sealed >/dev/null
exported=$(printf '密码\n' | "$cli" export "$root/t.kyq" --format csv) || fail "kyq-cli export from the package"
[ "$(wc -l <<<"$exported")" -eq 4 ] || fail "kyq-cli export from the package: $exported"
info=$("$cli" info "$root/t.kyq") || fail "kyq-cli info from the package"
grep -q 300 <<<"$info" || fail "kyq-cli info from the package: $info"

echo "-- the manual pages name every option of the usage"
for pair in "KYQ.1:kyq-usage" "kyq-cli.1:cli-usage"; do
  page=$(zcat "$root/usr/share/man/man1/${pair%%:*}.gz" | sed 's/\\-/-/g')
  for option in $(grep -oE '(^|[ [|])(--?[a-z]+|/\?)' "$root/${pair#*:}" | tr -d ' [|' | sort -u); do
    grep -qF -- "$option" <<<"$page" || fail "${pair%%:*} does not name $option"
  done
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$root/usr/share/man/man1/${pair%%:*}.gz" \
    2>&1 >/dev/null | grep . && fail "groff warns about ${pair%%:*}"
done
# What help2man and its kind read: a synopsis, the options one to an entry, the exit status.
page=$(help2man --locale=C.UTF-8 --no-info --no-discard-stderr "$cli")
for part in '^\.SH SYNOPSIS' '^\.SH OPTIONS' '^\\fB\\-\\-version\\fR$' '^\.SS "Exit status:"'; do
  grep -q "$part" <<<"$page" || fail "help2man finds no $part in kyq-cli --help"
done
grep -q "密码" <<<"$page" || fail "help2man loses the Chinese of kyq-cli --help"
echo "-- package checked: $deb"
