#!/bin/sh
# Installs, on Debian 12, whatever the build, the tests and the benchmarks need and the machine
# does not have yet. Asks apt only when something is missing.
set -eu

packages="build-essential cmake ninja-build pkg-config
  qt6-base-dev libpugixml-dev libgsf-1-dev libzip-dev
  libgtest-dev libbenchmark-dev
  fonts-dejavu-core srecord iputils-ping iproute2 util-linux procps
  clang libclang-rt-14-dev python3 libssl-dev nlohmann-json3-dev poppler-utils
  dpkg-dev lintian desktop-file-utils appstream scdoc librsvg2-bin bash-completion file man-db
  python3-canmatrix canmatrix-utils libmodbus-dev mbpoll libcli11-dev collectd-core libxml2-utils
  xvfb openbox xdotool x11-utils x11-apps netpbm"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
