#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks what it holds and depends on.
# Usage: debian_package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null
debs=("$work"/veltrano_*.deb)
[[ -f ${debs[0]} ]] || fail "no package was made"

# Apertium by name; the libraries as dpkg-shlibdeps found them from the programs.
depends=", $(dpkg-deb -f "${debs[0]}" Depends),"
for package in apertium apertium-eng-spa apertium-lex-tools libqt6webenginewidgets6 libqt6webenginecore6-bin libzip4 \
               libcpp-httplib0.11 libstdc++6; do
  [[ $depends =~ ,\ "$package"[\ ,] ]] || fail "Depends lacks $package: $depends"
done

contents=$(dpkg-deb -c "${debs[0]}")
for path in ./usr/bin/veltrano ./usr/bin/veltrano-pagehost ./usr/bin/xlcell ./usr/libexec/veltrano/HAND-M.CUR \
            ./usr/libexec/veltrano/drag.ico ./usr/share/applications/veltrano.desktop \
            ./usr/share/icons/hicolor/256x256/apps/veltrano.png ./usr/share/man/man1/xlcell.1 \
            ./usr/share/veltrano-pagehost/eng-spa.domain.lrx.bin; do
  [[ $contents == *" $path"* ]] || fail "the package lacks $path"
done
echo "package $(basename "${debs[0]}") holds the programs and depends on: $depends"
