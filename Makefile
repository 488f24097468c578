# The two commands that do everything on a fresh Debian machine:
#   make demo   installs what is missing, builds, runs the demo against the simulator
#   make test   installs what is missing, builds, runs every test
# CI (CI=true in the environment) also treats warnings as errors.

WERROR := $(if $(CI),ON,OFF)
CMAKE_ARGS := -DTQUSB_WERROR=$(WERROR)

.PHONY: all deps configure build test test-asan test-fuzz demo bench clean

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

# The fuzz targets, a few seconds each (needs clang).
test-fuzz: deps
	@cmake --preset fuzz $(CMAKE_ARGS) >/dev/null
	@cmake --build --preset fuzz --target fuzz_targets
	@ctest --preset fuzz

demo: build
	@scripts/demo build/default

bench: configure
	@cmake --build --preset default --target benchmarks
	@for b in build/default/bench/bench_*; do echo "== $$b"; "$$b" || exit 1; done

clean:
	@rm -rf build
