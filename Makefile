# The two commands that do everything on a fresh Debian machine:
#   make demo   installs what is missing, builds what the demo needs, runs it against the simulator
#   make test   installs what is missing, builds, runs every test
# make install PREFIX=DIR installs the library, headers, pkg-config file, CMake
# package, programs, man pages and INDI driver file into DIR (default /usr/local).
# make package builds the Debian package build/default/tqusb_<version>_<arch>.deb.
# CI (CI=true in the environment) also treats warnings as errors.

WERROR := $(if $(CI),ON,OFF)
CMAKE_ARGS := -DTQUSB_WERROR=$(WERROR)

PREFIX ?= /usr/local
# The demo runs the simulator and the capture tool.
DEMO_TARGETS := tqusb tqsim tqcam

.PHONY: all deps configure build test test-asan test-tsan test-fuzz demo install package bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake --preset default $(CMAKE_ARGS) >/dev/null

build: configure
	@cmake --build --preset default

test: build
	@ctest --preset default

test-asan: deps
	@cmake --preset asan $(CMAKE_ARGS) >/dev/null
	@cmake --build --preset asan
	@ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan

# The suite under ThreadSanitizer; the suppressions cover only libraries outside the project.
test-tsan: deps
	@cmake --preset tsan $(CMAKE_ARGS) >/dev/null
	@cmake --build --preset tsan
	@TSAN_OPTIONS="halt_on_error=1 allocator_may_return_null=1 second_deadlock_stack=1 suppressions=$(CURDIR)/tests/tsan.supp" ctest --preset tsan

# The fuzz targets, a few seconds each (needs clang).
test-fuzz: deps
	@cmake --preset fuzz $(CMAKE_ARGS) >/dev/null
	@cmake --build --preset fuzz --target fuzz_targets
	@ctest --preset fuzz

demo: configure
	@cmake --build --preset default --target $(DEMO_TARGETS)
	@scripts/demo build/default

install: build
	@cmake --install build/default --prefix "$(PREFIX)"

package: build
	@cmake --build --preset default --target package

bench: configure
	@cmake --build --preset default --target benchmarks
	@for b in build/default/bench/bench_*; do echo "== $$b"; "$$b" || exit 1; done

clean:
	@rm -rf build
