#!/usr/bin/env bash
# Builds the Debian package: the program in Release with Debian's hardening
# flags in build-package, installed into a /usr tree, stripped, its library
# dependencies computed by dpkg-shlibdeps, and packed by dpkg-deb. The last
# line printed is the package file's path.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=$root/${QUORRIX_PACKAGE_BUILD:-build-package}
packaging=$root/packaging/debian

version=$(dpkg-parsechangelog -l "$packaging/changelog" -S Version)
project_version=$(sed -n 's/^project(Quorrix VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
if [ "${version%-*}" != "$project_version" ]; then
    echo "packaging/debian/changelog is at $version, the project at $project_version: add a changelog entry" >&2
    exit 1
fi

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_LDFLAGS_MAINT_APPEND=-Wl,--as-needed
# CMake does not read CPPFLAGS, so the preprocessor's share (_FORTIFY_SOURCE)
# goes in with the compiler flags.
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
options=(-DCMAKE_BUILD_TYPE=Release -DQUORRIX_BUILD_TESTS=OFF
         "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags")
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache > /dev/null; then
    options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" "${options[@]}" > /dev/null
cmake --build "$dir" -j"$(nproc)" --target quorrix program_icons

# Laid out as dpkg's tools expect: debian/control and debian/changelog beside
# the package's tree in debian/quorrix.
work=$dir/deb
stage=$work/debian/quorrix
rm -rf "$work"
mkdir -p "$work/debian"
cp "$packaging/control" "$packaging/changelog" "$work/debian/"
(umask 022 && DESTDIR=$stage cmake --install "$dir" --prefix /usr > /dev/null)

strip --remove-section=.comment --remove-section=.note "$stage/usr/lib/quorrix/quorrix"
install -d -m 755 "$stage/usr/share/doc/quorrix"
install -m 644 "$packaging/copyright" "$stage/usr/share/doc/quorrix/copyright"
gzip -9n < "$packaging/changelog" > "$stage/usr/share/doc/quorrix/changelog.Debian.gz"
gzip -9nf "$stage/usr/share/man/man1/quorrix.1"
find "$stage" -type d -exec chmod 755 {} +
find "$stage" -type f ! -path '*/usr/lib/quorrix/quorrix' -exec chmod 644 {} +
# Every file carries the date of the latest changelog entry, so that two
# builds of the same source give the same package.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$packaging/changelog" -S Timestamp)
export SOURCE_DATE_EPOCH
find "$stage" -exec touch --no-dereference --date="@$SOURCE_DATE_EPOCH" {} +

(
    cd "$work"
    mkdir -m 755 debian/quorrix/DEBIAN
    dpkg-shlibdeps -Tdebian/quorrix.substvars debian/quorrix/usr/lib/quorrix/quorrix
    dpkg-gencontrol -pquorrix -Pdebian/quorrix -Tdebian/quorrix.substvars -fdebian/files
    cd debian/quorrix
    find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum > DEBIAN/md5sums
    chmod 644 DEBIAN/md5sums
)

deb=$dir/quorrix_${version}_$(dpkg --print-architecture).deb
dpkg-deb --root-owner-group --build "$stage" "$deb" > /dev/null
echo "$deb"
