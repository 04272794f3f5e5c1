#!/usr/bin/env bash
# Builds the Debian package (build-package/ventiscope_<version>_<arch>.deb)
# and checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh lintian dpkg-dev file desktop-file-utils appstream
# Debian's hardening flags: stack protector, fortified functions, full RELRO with BIND_NOW.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENTISCOPE_BUILD_TESTS=OFF \
    -DVENTISCOPE_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/ventiscope_*.deb)
desktop-file-validate data/desktop/ventiscope.desktop
appstreamcli validate --no-net data/desktop/org.ventiscope.Ventiscope.metainfo.xml
# Errors fail; warnings are shown; a program built without the hardening flags fails too.
lintian --fail-on error --display-info --no-tag-display-limit "$deb" | tee build-package/lintian.txt
if grep -E 'hardening-no-(bindnow|fortify-functions|relro|pie)' build-package/lintian.txt; then
    echo "package: the program lacks Debian's hardening flags" >&2
    exit 1
fi
echo "$deb"
