# Velmora: `make run` builds and starts the native program (`make run-windows`
# Velmora.exe under Wine), `make test` builds everything and
# runs every test. Both install missing Debian packages first.
JOBS ?= $(shell nproc)

.PHONY: all bootstrap linux windows wine-build sanitize test test-linux test-sanitize test-windows run run-windows clean fuzz bench release dist dist-deb dist-windows

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

# The program as it ships in the .deb: Release, hardened (CMakePresets.json).
release: bootstrap
	cmake --preset linux-release >/dev/null
	cmake --build --preset linux-release --target velmora -j $(JOBS)

# dist/velmora_VERSION_ARCH.deb (scripts/make-deb.sh).
dist-deb: release
	scripts/make-deb.sh build/linux-release dist

test-linux: linux
	ctest --preset linux

test-sanitize: sanitize
	ctest --preset linux-sanitize

# The Windows build Wine can run here (scripts/wine-preset): Velmora.exe as it
# ships, or the same code built for 64-bit Wine where 32-bit programs cannot run.
wine-build: windows
	@preset=$$(scripts/wine-preset); \
	if [ "$$preset" != windows ]; then \
	  cmake --preset $$preset >/dev/null && cmake --build --preset $$preset -j $(JOBS); \
	fi

# The installer and zip tests (tests/dist) need both made from that build.
test-windows: wine-build
	cmake --build --preset $$(scripts/wine-preset) --target velmora_dist_tests -j $(JOBS)
	tests/wine/session.sh ctest --preset $$(scripts/wine-preset)

test: test-linux test-sanitize test-windows

# The benchmark table: the rows of Velmora.exe and its bench programs under
# Wine (tests/bench/run.sh), then the native program's rows, each part on
# private virtual displays (tests/bench/native/run.sh), then the Wayland rows:
# a headless GNOME session for each monitor size (tests/bench/wayland/bench.py),
# and headless sway in the wlroots tests' root (skipped where make bench does
# not run as root).
bench: wine-build linux release
	cmake --build --preset linux-release --target velmora_bench_x11 bare_reader bare_gtk_window velmora_wayland_probe bare_portal_reader wlr_desk bare_capture -j $(JOBS)
	@tests/wine/session.sh tests/bench/run.sh build/$$(scripts/wine-preset)
	@tests/bench/native/run.sh --rows-only build/linux-release
	@tests/wayland/session.sh -- /usr/bin/python3 tests/bench/wayland/bench.py build/linux-release
	@for size in 1920x1080 3840x2160; do \
	  tests/wayland/session.sh --size $$size -- /usr/bin/python3 tests/bench/wayland/bench.py --size $$size build/linux-release || exit 1; \
	done
	@tests/wlroots/root.sh build/linux-release -- /usr/bin/python3 tests/bench/wlroots/bench.py build/linux-release || [ $$? -eq 77 ]

# The portable zip and the installer of the 32-bit Velmora.exe, in dist/.
dist-windows: bootstrap
	JOBS=$(JOBS) scripts/make-windows-dist.sh dist windows

# Everything people download, in dist/, with SHA256SUMS for the lot.
dist: dist-deb dist-windows
	cd dist && rm -f SHA256SUMS && sha256sum -- *.deb *.zip *.exe >SHA256SUMS && cat SHA256SUMS

# The native program; without $$DISPLAY on a virtual one, with a screenshot.
run: linux
	scripts/run.sh

run-windows: wine-build
	scripts/run-windows.sh build/$$(scripts/wine-preset)

# libFuzzer runs of the configuration store, FUZZ_SECONDS (60) per target.
fuzz:
	tests/fuzz/run.sh

clean:
	rm -rf build dist
