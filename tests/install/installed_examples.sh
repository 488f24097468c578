#!/usr/bin/env bash
# installed_examples.sh BUILD_DIR [CFLAGS]
# Installs tqusb from BUILD_DIR into a temporary prefix, then uses only what
# was installed: builds the examples with pkg-config and with
# find_package(tqusb), runs them against the installed tqsim, and reads the
# FITS file back with cfitsio. CFLAGS are those of the library build (the
# sanitizer flags under asan).
set -euo pipefail
build=$1
cflags=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
cleanup() {
  [[ -n "${sim:-}" ]] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
lib=$(find "$prefix" -name 'libtqusb.so.*.*.*' -print -quit)
libdir=$(dirname "$lib")
[[ -L $libdir/libtqusb.so ]] || fail "no libtqusb.so link"
soname=$(readelf -d "$lib" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[[ -L $libdir/$soname ]] || fail "no link for SONAME '$soname'"
examples=$prefix/share/doc/tqusb/examples
export PKG_CONFIG_PATH=$libdir/pkgconfig LD_LIBRARY_PATH=$libdir

# pkg-config, as the comments at the top of the examples say.
strict="-std=c99 -Wall -Wextra -pedantic -Werror $cflags"
# shellcheck disable=SC2046,SC2086
cc $strict "$examples/list_cameras.c" $(pkg-config --cflags --libs tqusb) -o "$work/pc_list"
# shellcheck disable=SC2046,SC2086
cc $strict "$examples/capture_fits.c" $(pkg-config --cflags --libs tqusb cfitsio) \
  -o "$work/pc_capture"
# shellcheck disable=SC2046,SC2086
cc $cflags "$here/check_fits.c" $(pkg-config --cflags --libs cfitsio) -o "$work/check_fits"

# find_package(tqusb), configured from the installed examples folder.
cmake -S "$examples" -B "$work/cm" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_C_FLAGS="-Wall -Wextra -Werror $cflags" \
>/dev/null
cmake --build "$work/cm" >/dev/null

# The installed simulator with its installed camera file, on a private bus.
export TQUSB_BUS_DIR=$work/bus
"$prefix/bin/tqsim" serve --time-scale 0 >"$work/sim.log" 2>&1 &
sim=$!
for _ in $(seq 200); do
  grep -q published "$work/sim.log" && break
  kill -0 "$sim" 2>/dev/null || fail "tqsim: $(cat "$work/sim.log")"
  sleep 0.05
done

# A generation-4 camera that cools and reads binned windows: 1936 x 1096.
for flavour in pc cm; do
  if [[ $flavour == pc ]]; then list=$work/pc_list capture=$work/pc_capture
  else list=$work/cm/list_cameras capture=$work/cm/capture_fits; fi
  "$list" >"$work/list.txt" || fail "$flavour list_cameras: $(cat "$work/list.txt")"
  grep -q '^1191: .*1936x1096 pixels' "$work/list.txt" || fail "$flavour list: $(cat "$work/list.txt")"
  "$capture" -i 1191 -t 0.01 -c -5 -w 5 -o "$work/$flavour.fits" >"$work/capture.txt" 2>&1 ||
    fail "$flavour capture_fits: $(cat "$work/capture.txt")"
  "$work/check_fits" "$work/$flavour.fits" 1936 1096 484 274 || fail "$flavour FITS"
done
echo "installed examples: ok"
