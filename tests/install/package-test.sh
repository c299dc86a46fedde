#!/usr/bin/env bash
# Makes the Debian package from a build folder, unpacks it into a scratch root, and checks what
# it installs with the desktop's own tools. tst_installed then runs the program from that root.
# Usage: package-test.sh BUILD_DIR SCRATCH_DIR APP_ID MIME_TYPE
set -euo pipefail
build=$1 scratch=$2 id=$3 mime=$4
rm -rf "$scratch"
mkdir -p "$scratch/package"

( cd "$build" && cpack -G DEB -B "$scratch/package" >"$scratch/cpack.log" 2>&1 ) ||
  { cat "$scratch/cpack.log"; exit 1; }
debs=("$scratch"/package/*.deb)
deb=${debs[0]}
echo "package: $(basename "$deb")"

# The package carries the build's version, the one the program prints: a later build upgrades
# it.
version=$(dpkg-deb -f "$deb" Version)
built=$(head -1 "$build/version/BuildVersion.txt")
[ "$version" = "$built" ] || { echo "package version $version, build version $built"; exit 1; }
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+(\+git[0-9]{8}\.[0-9]{6}(\.[0-9]+|~shallow)(\+dirty([0-9]{8}\.[0-9]{6})?)?)?$ ]] ||
  { echo "package version $version is not the project version and its commit"; exit 1; }

# Debian's own check of a package: no error and no warning. (Informational notes are shown.)
lintian --fail-on error,warning --display-info "$deb" ||
  { echo "lintian found faults in the package"; exit 1; }

# The private modules are no business of the library cache.
if dpkg-deb --ctrl-tarfile "$deb" | tar -xO 2>/dev/null | grep -q ldconfig; then
  echo "the package's maintainer scripts run ldconfig"; exit 1
fi

# dpkg-shlibdeps found the libraries the program and its modules link; the journal's SQLite
# driver is a plugin, named by hand.
depends=$(dpkg-deb -f "$deb" Depends)
echo "depends: $depends"
for lib in libqt6widgets6 libqt6multimedia6 libqt6sql6 libqt6sql6-sqlite libqt6charts6 \
           libqt6printsupport6 libqt6svg6 libc6; do
  grep -q "$lib" <<<"$depends" || { echo "no $lib among the dependencies"; exit 1; }
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
for file in usr/bin/pelko usr/lib/pelko/pelko_sound.so usr/lib/pelko/pelko_journal.so \
            usr/lib/pelko/pelko_charts.so \
            usr/share/pelko/diceroll.wav \
            usr/share/pelko/installed "usr/share/applications/$id.desktop" \
            usr/share/man/man1/pelko.1.gz usr/share/doc/pelko/copyright \
            usr/share/doc/pelko/changelog.gz \
            "usr/share/metainfo/$id.metainfo.xml" "usr/share/mime/packages/$id.xml" \
            "usr/share/icons/hicolor/scalable/apps/$id.svg" \
            "usr/share/icons/hicolor/48x48/apps/$id.png" \
            "usr/share/icons/hicolor/256x256/apps/$id.png"; do
  [ -f "$root/$file" ] || { echo "missing from the package: $file"; exit 1; }
done

# The benchmarks' start-up hook stays out of the program that ships.
! grep -aq PELKO_BENCH "$root/usr/bin/pelko" || { echo "the shipped program has a bench hook"; exit 1; }

# The modules name the C library, whatever the linker's defaults.
for module in pelko_sound pelko_journal pelko_charts; do
  readelf -d "$root/usr/lib/pelko/$module.so" | grep -q 'NEEDED.*\[libc\.so' ||
    { echo "$module.so is not linked against the C library"; exit 1; }
done

desktop-file-validate "$root/usr/share/applications/$id.desktop"
# --no-net: the screenshot's address is checked for its form, not fetched.
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net --pedantic "$metainfo"
# The release it names is this build's, and it speaks Japanese too.
grep -q "<release version=\"$version\"" "$metainfo" ||
  { echo "the metainfo names another release than $version"; exit 1; }
grep -q '<p xml:lang="ja">' "$metainfo" || { echo "no Japanese description in the metainfo"; exit 1; }

# The save files' type, compiled as the desktop does: globbed without regard to case, and
# recognised by the version string at the start of a file.
cp -r "$root/usr/share/mime" "$scratch/mime"
update-mime-database "$scratch/mime"
grep -q "^50:$mime:\*\.pkd$" "$scratch/mime/globs2" ||
  { echo "no *.pkd glob for $mime"; cat "$scratch/mime/globs2"; exit 1; }
grep -aq "0\.6\.1\.0" "$scratch/mime/magic" || { echo "no magic for $mime"; exit 1; }
[ -f "$scratch/mime/${mime}.xml" ] || { echo "no $mime.xml compiled"; exit 1; }
echo "package checked"
