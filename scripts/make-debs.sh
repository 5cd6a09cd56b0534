#!/usr/bin/env bash
# Makes the Debian packages of a build configured with -DCMAKE_INSTALL_PREFIX=/usr (so that the
# library goes to the multiarch folder): cpack, then three things put right that CPack's Debian
# generator (CMake 3.25) gets wrong, each with dpkg-deb:
# - the library package's postinst and postrm only run ldconfig, which the ldconfig trigger the
#   package activates already does; they are left out, as the distribution's library packages do;
# - the md5sums of the -dbgsym packages name the files by their paths in CPack's staging folder;
#   they are made again with the paths in the package;
# - the -dbgsym packages have no documentation folder; each gets the link to its package's that
#   the distribution's debug packages have.
# Usage: scripts/make-debs.sh BUILD_DIR OUT_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
mkdir -p "$2"
out="$(cd "$2" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work/cpack" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log" >&2; exit 1; }
for package in "$work"/cpack/*.deb "$work"/cpack/*.ddeb; do
    name="$(basename "$package")"
    tree="$work/tree"
    rm -rf "$tree"
    dpkg-deb -R "$package" "$tree"
    case "$name" in
        libvqdatafilereader[0-9]_*)
            rm -f "$tree/DEBIAN/postinst" "$tree/DEBIAN/postrm"
            ;;
        *-dbgsym_*)
            of="$(sed -n 's/^Depends: \([^ ]*\) .*/\1/p' "$tree/DEBIAN/control")"
            mkdir -p "$tree/usr/share/doc"
            ln -s "$of" "$tree/usr/share/doc/${name%%_*}"
            (cd "$tree" && find usr -type f -print0 | sort -z | xargs -0 md5sum) \
                >"$tree/DEBIAN/md5sums"
            ;;
    esac
    dpkg-deb --root-owner-group -b "$tree" "$out/$name" >/dev/null
done
ls "$out"
