# Sourced by scripts/run and scripts/test: installs the Debian packages that are missing.
# shellcheck shell=bash

PELKO_BUILD_PACKAGES=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins libgl-dev
  qt6-translations-l10n fonts-ipafont-gothic fonts-noto-cjk
  libqt6sql6-sqlite libsqlite3-dev
  qt6-charts-dev qt6-svg-dev
)

PELKO_TEST_PACKAGES=(
  clang-format clang-tidy
  xvfb xdotool x11-utils x11-xserver-utils xclip imagemagick dbus
  pulseaudio pulseaudio-utils sox
  desktop-file-utils appstream shared-mime-info dpkg-dev file lintian
  poppler-utils
)

# scripts/package: the Debian package, its dependencies worked out by dpkg-shlibdeps, its
# hardening flags given by dpkg-buildflags (both in dpkg-dev), its manual page and changelog
# compressed with gzip.
PELKO_PACKAGE_PACKAGES=(
  dpkg-dev file gzip
)

# scripts/fuzz and the fuzz preset: clang with its sanitizer and libFuzzer run-time libraries.
PELKO_FUZZ_PACKAGES=(
  clang libclang-rt-14-dev
)

# bench/startup.sh: a private display, window polling and peak memory (GNU time), and the
# faces both programs draw in.
PELKO_BENCH_PACKAGES=(
  xvfb xdotool time procps fonts-ipafont-gothic
)

pelko_install() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}
