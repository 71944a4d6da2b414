# make run    installs what is missing, builds and starts the editor
# make test   installs what is missing, builds with warnings as errors, runs every test
#             (the Debian package's install, use on Xvfb and removal, and the
#             Windows sources compiled with MinGW-w64 and run under Wine)
BUILD ?= build
TEST_BUILD ?= build-test
JOBS ?= 2

PACKAGE_BUILD ?= build-package

SANITIZE_BUILD ?= build-sanitize
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: run test sanitize fuzz build bench bench-x11 gif-compare clean package screenshot

run:
	scripts/deps.sh run
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVELLO_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS) --target tarvello
	scripts/run.sh $(BUILD)/tarvello

build:
	scripts/deps.sh build
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVELLO_TESTS=OFF
	cmake --build $(BUILD) -j $(JOBS)

test:
	scripts/deps.sh test
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELLO_WERROR=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	cd $(TEST_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	scripts/mingw-check.sh $(TEST_BUILD)

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer;
# any report fails it. (The package and Windows checks need no second run.)
sanitize:
	scripts/deps.sh test
	cmake -S . -B $(SANITIZE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELLO_WERROR=ON \
	  -DTARVELLO_SANITIZE=ON -DTARVELLO_BENCH=OFF
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	cd $(SANITIZE_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:halt_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/leaks.supp:print_suppressions=0 \
	  ctest --output-on-failure -j $(JOBS) -E '^desktop_'

# Each fuzzer for FUZZ_SECONDS on seeds made from small valid pictures.
fuzz:
	scripts/deps.sh fuzz
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTARVELLO_FUZZ=ON -DTARVELLO_TESTS=OFF -DTARVELLO_BENCH=OFF -DTARVELLO_FUZZ_SECONDS=$(FUZZ_SECONDS)
	LSAN_OPTIONS=suppressions=$(CURDIR)/fuzz/leaks.supp:print_suppressions=0 \
	  cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz-run

bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-startup
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-drag
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-viewer

# Start-up on a virtual X display: the installed program when there is one.
BENCH_PROGRAM ?= $(or $(wildcard /usr/bin/tarvello),$(abspath $(BUILD)/tarvello))
bench-x11: build
	scripts/deps.sh run
	xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" $(BUILD)/bench/bench-startup --x11 $(BENCH_PROGRAM) 12

# The GIF writer beside ImageMagick, ffmpeg and gifsicle (installs them when missing).
gif-compare: build
	scripts/deps.sh compare
	bench/gif-compare.sh $(BUILD)

# The Debian package, built with Debian's hardening flags: $(PACKAGE_BUILD)/tarvello_*.deb
package:
	scripts/deps.sh package
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARVELLO_TESTS=OFF -DTARVELLO_BENCH=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB

# docs/screenshot.png: the editor with a finished banner, on Xvfb.
screenshot:
	scripts/deps.sh test
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELLO_WERROR=ON
	cmake --build $(TEST_BUILD) -j $(JOBS) --target tarvello screen-probe
	scripts/screenshot.sh $(TEST_BUILD)/tarvello $(TEST_BUILD)/tests/desktop/screen-probe docs/screenshot.png

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(PACKAGE_BUILD)
