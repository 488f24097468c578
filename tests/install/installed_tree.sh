#!/usr/bin/env bash
# installed_tree.sh install|package BUILD_DIR VERSION [CFLAGS]
# The installed package as a user meets it. "install" installs BUILD_DIR into a
# temporary prefix; "package" builds the Debian package with cpack and unpacks
# it with dpkg-deb -x. Then, using only that tree:
#   - every part carries VERSION (library file, version.h, pkg-config, CMake
#     package, INDI driver file, the .deb);
#   - tqcam and the INDI driver find the tree's library by their RUNPATH;
#   - the device table's models all have a uaccess udev rule;
#   - the examples build with pkg-config and with find_package(tqusb), run
#     against the installed tqsim, and their FITS files read back;
#   - indiserver, with the tree's bin/ on the PATH, starts the driver named in
#     share/indi/indi_tqusb.xml and lists every camera the simulator serves.
# CFLAGS are those of the library build (the sanitizer flags under asan).
set -euo pipefail
mode=$1 build=$2 version=$3 cflags=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/tqusb-installed.XXXXXX")
sim="" server=""
cleanup() {
  if [[ -n $server ]]; then
    # shellcheck disable=SC2046
    kill "$server" $(pgrep -P "$server") 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  [[ -n $sim ]] && { kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL ($mode): $*" >&2; exit 1; }

case $mode in
  install)
    cmake --install "$build" --prefix "$work/root" >/dev/null
    prefix=$work/root ;;
  package)
    cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1 ||
      fail "cpack: $(cat "$work/cpack.log")"
    deb=$(find "$work/deb" -maxdepth 1 -name '*.deb')
    [[ $(dpkg-deb -f "$deb" Version) == "$version" ]] || fail "package version $(dpkg-deb -f "$deb" Version)"
    dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -qx /etc/tqusb/devices.conf ||
      fail "/etc/tqusb/devices.conf is no conffile"
    if command -v lintian >/dev/null; then
      lintian --fail-on error "$deb" || fail "lintian"
    else
      echo "lintian not installed: not run"
    fi
    dpkg-deb -x "$deb" "$work/root"
    cmp "$work/root/etc/tqusb/devices.conf" "$work/root/usr/share/tqusb/devices.conf" ||
      fail "/etc/tqusb/devices.conf"
    prefix=$work/root/usr ;;
  *) fail "unknown mode" ;;
esac

# One version everywhere.
lib=$(find "$prefix" -name 'libtqusb.so.*.*.*' -print -quit)
libdir=$(dirname "$lib")
[[ $lib == */libtqusb.so.$version ]] || fail "library file $lib"
[[ -L $libdir/libtqusb.so ]] || fail "no libtqusb.so link"
soname=$(readelf -d "$lib" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[[ -L $libdir/$soname ]] || fail "no link for SONAME '$soname'"
export PKG_CONFIG_PATH=$libdir/pkgconfig
[[ $(pkg-config --modversion tqusb) == "$version" ]] || fail "pkg-config version"
grep -q "TQUSB_VERSION_STRING \"$version\"" "$prefix/include/tqusb/version.h" || fail "version.h"
grep -q "PACKAGE_VERSION \"$version\"" "$libdir/cmake/tqusb/tqusbConfigVersion.cmake" ||
  fail "CMake package version"

# Each model of the device table has its uaccess rule.
rules=$prefix/lib/udev/rules.d/70-tqusb.rules
while read -r vendor product _; do
  [[ -z $vendor || $vendor == \#* ]] && continue
  grep -q "ATTR{idVendor}==\"$vendor\", ATTR{idProduct}==\"$product\", TAG+=\"uaccess\"" "$rules" ||
    fail "no udev rule for $vendor:$product"
done <"$prefix/share/tqusb/devices.conf"

# Programs find the tree's library with no help, and have their man page.
for program in "$prefix"/bin/*; do
  name=$(basename "$program")
  [[ -f $prefix/share/man/man1/$name.1.gz ]] || fail "no man page for $name"
  if readelf -d "$program" | grep -q 'NEEDED.*libtqusb'; then
    found=$(env -u LD_LIBRARY_PATH ldd "$program" | sed -n 's/.*libtqusb[^ ]* => \([^ ]*\) .*/\1/p')
    [[ -n $found && $(realpath "$found") == "$(realpath "$lib")" ]] ||
      fail "$name finds '$found', not $lib"
  fi
done

# The examples, built with pkg-config as their comments say, and with
# find_package(tqusb) from the installed examples folder.
examples=$prefix/share/doc/tqusb/examples
strict="-std=c99 -Wall -Wextra -pedantic -Werror $cflags"
# shellcheck disable=SC2046,SC2086
cc $strict "$examples/list_cameras.c" $(pkg-config --cflags --libs tqusb) -o "$work/pc_list"
# shellcheck disable=SC2046,SC2086
cc $strict "$examples/capture_fits.c" $(pkg-config --cflags --libs tqusb cfitsio) \
  -o "$work/pc_capture"
# shellcheck disable=SC2046,SC2086
c++ -std=c++17 -Wall -Wextra -pedantic -Werror $cflags "$examples/binned_frame.cpp" \
  $(pkg-config --cflags --libs tqusb) -o "$work/pc_binned"
# shellcheck disable=SC2046,SC2086
cc $cflags "$here/check_fits.c" $(pkg-config --cflags --libs cfitsio) -o "$work/check_fits"
cmake -S "$examples" -B "$work/cm" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="-Wall -Wextra -Werror $cflags" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror $cflags" \
  >/dev/null
cmake --build "$work/cm" >/dev/null

# The installed simulator with its installed camera file, on a private bus.
mkdir "$work/bus" "$work/home"
export TQUSB_BUS_DIR=$work/bus HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
"$prefix/bin/tqsim" serve --time-scale 0 >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 200); do
  grep -q published "$work/sim.log" && break
  kill -0 "$sim" 2>/dev/null || fail "tqsim: $(cat "$work/sim.log")"
  sleep 0.05
done

# A generation-4 camera that cools and reads binned windows: 1936 x 1096.
for flavour in pc cm; do
  if [[ $flavour == pc ]]; then list=$work/pc_list capture=$work/pc_capture binned=$work/pc_binned
  else list=$work/cm/list_cameras capture=$work/cm/capture_fits binned=$work/cm/binned_frame; fi
  LD_LIBRARY_PATH=$libdir "$list" >"$work/list.txt" || fail "$flavour list_cameras: $(cat "$work/list.txt")"
  grep -q '^1191: .*1936x1096 pixels' "$work/list.txt" || fail "$flavour list: $(cat "$work/list.txt")"
  LD_LIBRARY_PATH=$libdir "$capture" -i 1191 -t 0.01 -c -5 -w 5 -o "$work/$flavour.fits" \
    >"$work/capture.txt" 2>&1 || fail "$flavour capture_fits: $(cat "$work/capture.txt")"
  "$work/check_fits" "$work/$flavour.fits" 1936 1096 484 274 || fail "$flavour FITS"
  LD_LIBRARY_PATH=$libdir "$binned" >"$work/binned.txt" 2>&1 || fail "$flavour binned_frame: $(cat "$work/binned.txt")"
  grep -q '^1191: .*1936x1096 pixels' "$work/binned.txt" && grep -q ' frame at binning 2: ' "$work/binned.txt" ||
    fail "$flavour binned_frame: $(cat "$work/binned.txt")"
done

# The cameras tqcam lists and can open, by id: what the INDI driver must offer
# (a listed camera that cannot be opened gets no device).
for id in $("$prefix/bin/tqcam" list | awk 'NR > 1 { print $1 }'); do
  "$prefix/bin/tqcam" info "$id" >/dev/null 2>&1 && echo "$id"
done | sort >"$work/ids.txt"
[[ $(wc -l <"$work/ids.txt") -gt 10 ]] || fail "tqcam list: $(cat "$work/ids.txt")"

[[ -x $prefix/bin/indi_tqusb_ccd ]] || { echo "no INDI driver built: driver list not checked"; exit 0; }
xml=$prefix/share/indi/indi_tqusb.xml
xmllint --noout "$xml" || fail "$xml is not well-formed"
entry='/driversList/devGroup[@group="CCDs"]/device'
driver=$(xmllint --xpath "string($entry/driver)" "$xml")
[[ -n $(xmllint --xpath "string($entry/@label)" "$xml") ]] || fail "no device label in $xml"
[[ $(xmllint --xpath "string($entry/version)" "$xml") == "$version" ]] || fail "driver version in $xml"
[[ -x $prefix/bin/$driver ]] || fail "driver '$driver' of $xml is not installed"
command -v indiserver >/dev/null || { echo "indiserver not installed: driver not started"; exit 0; }

# shellcheck source=../common/free_port.sh
source "$here/../common/free_port.sh"
port=$(free_port)
PATH="$prefix/bin:$PATH" indiserver -p "$port" -u "$work/indi.sock" "$driver" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 20); do
  indi_getprop -p "$port" -t 1 '*.CONNECTION.CONNECT' 2>/dev/null |
    sed -n 's/.*#\([0-9]*\)\.CONNECTION\.CONNECT=.*/\1/p' | sort >"$work/indi_ids.txt" || true
  cmp -s "$work/ids.txt" "$work/indi_ids.txt" && { echo "installed tree ($mode): ok"; exit 0; }
  kill -0 "$server" 2>/dev/null || break
done
fail "indiserver $driver lists $(tr '\n' ' ' <"$work/indi_ids.txt"), want $(tr '\n' ' ' <"$work/ids.txt")
$(cat "$work/server.log")"
