# Velmora: `make run` builds and starts the native program (`make run-windows`
# Velmora.exe under Wine), `make test` builds everything and
# runs every test. Both install missing Debian packages first.
JOBS ?= $(shell nproc)

.PHONY: all bootstrap linux windows sanitize test test-linux test-sanitize test-windows run run-windows clean fuzz bench

all: linux windows

bootstrap:
	@scripts/bootstrap.sh

linux: bootstrap
	cmake --preset linux >/dev/null
	cmake --build --preset linux -j $(JOBS)

sanitize: bootstrap
	cmake --preset linux-sanitize >/dev/null
	cmake --build --preset linux-sanitize -j $(JOBS)

windows: bootstrap
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

test-linux: linux
	ctest --preset linux

test-sanitize: sanitize
	ctest --preset linux-sanitize

test-windows: windows
	tests/wine/session.sh ctest --preset windows

test: test-linux test-sanitize test-windows

# The benchmark table (tests/bench/run.sh): Velmora.exe and the bench
# programs under Wine on a virtual display.
bench: windows
	tests/wine/session.sh tests/bench/run.sh

# The native program; without $$DISPLAY on a virtual one, with a screenshot.
run: linux
	scripts/run.sh

run-windows: windows
	scripts/run-windows.sh

# libFuzzer runs of the configuration store, FUZZ_SECONDS (60) per target.
fuzz:
	tests/fuzz/run.sh

clean:
	rm -rf build
