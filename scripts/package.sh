#!/usr/bin/env bash
# Builds the Debian package (build-package/ventiscope_<version>_<arch>.deb)
# and checks it with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh lintian dpkg-dev file desktop-file-utils appstream
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DVENTISCOPE_BUILD_TESTS=OFF \
    -DVENTISCOPE_BUILD_BENCH=OFF >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/ventiscope_*.deb)
desktop-file-validate data/desktop/ventiscope.desktop
appstreamcli validate --no-net data/desktop/org.ventiscope.Ventiscope.metainfo.xml
# Errors fail; warnings are shown.
lintian --fail-on error --no-tag-display-limit "$deb"
echo "$deb"
