#!/usr/bin/env bash
# Builds the packages with scripts/package (which fails on any lintian error) into work_dir and
# checks that they hold what the README promises, with version and dependencies filled in.
# Usage: package_test.sh SOURCE_DIR WORK_DIR VERSION. Exits 77 (skipped) without the tools.
set -uo pipefail
source_dir=$1 work_dir=$2 version=$3
for tool in cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli desktop-file-validate; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps)"; exit 77; }
done

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

mapfile -t packages < <(PACKAGE_BUILD_DIR="$work_dir/build" "$source_dir/scripts/package") ||
  { echo "FAIL: scripts/package failed"; exit 1; }
[ ${#packages[@]} -eq 2 ] || { echo "FAIL: expected two packages, got: ${packages[*]}"; exit 1; }
declare -A deb files
for p in "${packages[@]}"; do deb[$(dpkg-deb -f "$p" Package)]=$p; done

# The files the README promises, besides each package's copyright and changelog.
files[dormo]="/usr/bin/dormo /usr/share/applications/dormo.desktop
  /usr/share/metainfo/example.venholt.dormo.metainfo.xml /usr/share/man/man1/dormo.1.gz"
files[dormo-helper]="/usr/bin/dormo-helper /lib/systemd/system/dormo-helper.service
  /usr/share/man/man8/dormo-helper.8.gz"
for size in 16 22 24 32 48 64 128 256; do
  files[dormo]+=" /usr/share/icons/hicolor/${size}x${size}/apps/dormo.png"
done

root="$work_dir/root"
rm -rf "$root"
for name in dormo dormo-helper; do
  [ -n "${deb[$name]:-}" ] || { echo "FAIL: no package $name"; exit 1; }
  mkdir -p "$root/$name"
  dpkg-deb -x "${deb[$name]}" "$root/$name"
  [ "$(dpkg-deb -f "${deb[$name]}" Version)" = "$version" ] || fail "$name is not version $version"
  dpkg-deb -f "${deb[$name]}" Depends | grep -q 'libqt6core6' ||
    fail "$name: no library dependencies computed"
  for file in ${files[$name]} /usr/share/doc/$name/copyright /usr/share/doc/$name/changelog.gz; do
    [ -f "$root/$name$file" ] || fail "$name lacks $file"
  done
done
# A server needs no graphical libraries for the helper.
dpkg-deb -f "${deb[dormo-helper]}" Depends | grep -q 'libqt6gui6\|libqt6widgets6' &&
  fail "dormo-helper depends on Qt's graphical libraries"
dpkg-deb -e "${deb[dormo-helper]}" "$root/control"
for script in postinst prerm postrm; do
  [ -x "$root/control/$script" ] || fail "dormo-helper has no $script"
done

helper="$root/dormo-helper/usr/bin/dormo-helper"
unit="$root/dormo-helper/lib/systemd/system/dormo-helper.service"
grep -q '^ExecStart=/usr/bin/dormo-helper .*--execute' "$unit" || fail "the unit does not run /usr/bin/dormo-helper --execute"
if command -v systemd-analyze >/dev/null; then
  # The unit's directives must all be known to systemd; an unknown one would be ignored.
  sed "s|/usr/bin/dormo-helper|$helper|" "$unit" > "$work_dir/dormo-helper.service"
  systemd-analyze verify --man=no "$work_dir/dormo-helper.service" 2>&1 |
    grep . && fail "systemd-analyze verify found problems in the unit"
fi
man_page=$(zcat "$root/dormo-helper/usr/share/man/man8/dormo-helper.8.gz" | sed 's/\\-/-/g')
for option in $("$helper" --help | grep -o -- '--[a-z-]*' | sort -u); do
  [ "$option" = --help-all ] || grep -q -- "$option" <<<"$man_page" ||
    fail "the manual page lacks $option"
done
appstreamcli validate --no-net "$root/dormo/usr/share/metainfo/example.venholt.dormo.metainfo.xml" >/dev/null ||
  fail "appstreamcli rejects the metainfo"
desktop-file-validate "$root/dormo/usr/share/applications/dormo.desktop" || fail "invalid desktop entry"

[ "$failures" -eq 0 ] && echo "packages OK: ${packages[*]}"
exit $((failures > 0))
