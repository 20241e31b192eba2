#!/usr/bin/env bash
# Builds the Debian package of Handfolio in a fresh folder build-package/,
# checks it with lintian (errors fail), checks the AppStream metadata and the
# desktop entry it holds, and prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build-package
jobs=$(nproc)

# package-test.sh mounts file systems inside its root under this folder:
# never delete through one of them.
if findmnt -rn -o TARGET | grep -q "^$PWD/$out/"; then
    echo "package.sh: something is still mounted under $out; unmount it first" >&2
    exit 1
fi
rm -rf --one-file-system "$out"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# Debian's own compiler and linker flags: hardening, reproducible paths, and
# its optimisation level -O2 in place of CMake's -O3 for Release.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
        -DCMAKE_INSTALL_PREFIX=/usr \
        -DHANDFOLIO_BENCH=OFF -DHANDFOLIO_TESTS=OFF "${launcher[@]}"
cmake --build "$out" -j"$jobs"
(cd "$out" && cpack -G DEB)
deb=$(ls "$out"/handfolio_*.deb)

echo "== lintian"
# Errors fail the build; warnings and notes are printed for a reader.
lintian --info --display-info --fail-on error "$deb"

echo "== AppStream metadata and desktop entry, as packed"
unpacked=$out/unpacked
dpkg-deb -x "$deb" "$unpacked"
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
echo "Package: $(realpath "$deb")"
