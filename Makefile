# make run    installs what is missing, builds and starts the editor
# make test   installs what is missing, checks formatting and the include layers,
#             builds with warnings as errors, runs every test
#             (the Debian package's install, use on Xvfb and removal, and the
#             Windows sources compiled with MinGW-w64 and run under Wine)
# Every configuration is a preset in CMakePresets.json, which also names its
# build folder: `cmake --preset NAME` builds the same outside make.
BUILD := build
TEST_BUILD := build-test
PACKAGE_BUILD := build-package
JOBS ?= 2
FUZZ_SECONDS ?= 60

.PHONY: run test tidy sanitize fuzz monkey mutants build bench bench-x11 gif-compare clean package screenshot

run:
	scripts/deps.sh run
	cmake --preset release
	cmake --build --preset release -j $(JOBS) --target tarvello
	scripts/run.sh $(BUILD)/tarvello

build:
	scripts/deps.sh build
	cmake --preset release
	cmake --build --preset release -j $(JOBS)

test:
	scripts/deps.sh test
	scripts/format-check.sh
	scripts/include-cycles.sh
	cmake --preset test
	cmake --build --preset test -j $(JOBS)
	ctest --preset test -j $(JOBS)
	scripts/mingw-check.sh $(TEST_BUILD)

# clang-tidy with the checks in .clang-tidy over the test build's compile
# database (a few minutes); any finding fails it.
tidy:
	scripts/deps.sh tidy
	cmake --preset test
	cmake --build --preset test -j $(JOBS)
	JOBS=$(JOBS) scripts/tidy.sh $(TEST_BUILD)

# The whole suite again with AddressSanitizer and UndefinedBehaviorSanitizer;
# any report fails it. (The package and Windows checks need no second run.)
sanitize:
	scripts/deps.sh test
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS)
	ctest --preset sanitize -j $(JOBS)

# A random user: the sanitizer build on Xvfb receives MONKEY_EVENTS random
# clicks, drags, keys and typed text for each of MONKEY_SEEDS, as an
# unprivileged user in a scratch folder; a death or a sanitizer report fails
# it and prints the seed.
MONKEY_SEEDS ?= 1 2 3
MONKEY_EVENTS ?= 1000
monkey:
	scripts/deps.sh test
	cmake --preset sanitize
	cmake --build --preset sanitize -j $(JOBS) --target tarvello tarvello-decoder
	/usr/bin/python3 scripts/monkey.py build-sanitize --seeds $(MONKEY_SEEDS) --events $(MONKEY_EVENTS)

# Faults injected into the program's sources, MUTANTS_COUNT of them drawn with
# MUTANTS_SEED (the date unless given); prints the seed, the share the tests
# catch and every survivor. About an hour for 60 on two cores.
MUTANTS_COUNT ?= 60
MUTANTS_SEED ?=
mutants:
	scripts/deps.sh test
	cmake --preset test
	cmake --build --preset test -j $(JOBS)
	python3 scripts/mutants.py --count $(MUTANTS_COUNT) $(if $(MUTANTS_SEED),--seed $(MUTANTS_SEED))

# Each fuzzer for FUZZ_SECONDS on seeds made from small valid pictures.
fuzz:
	scripts/deps.sh fuzz
	cmake --preset fuzz -DTARVELLO_FUZZ_SECONDS=$(FUZZ_SECONDS)
	cmake --build --preset fuzz -j $(JOBS)

bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-startup
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-drag
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-viewer
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-load

# Start-up on a virtual X display: the installed program when there is one.
BENCH_PROGRAM ?= $(or $(wildcard /usr/bin/tarvello),$(abspath $(BUILD)/tarvello))
BENCH_RUNS ?= 300
bench-x11: build
	scripts/deps.sh run
	xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" $(BUILD)/bench/bench-startup --x11 $(BENCH_PROGRAM) $(BENCH_RUNS)

# The GIF writer beside ImageMagick, ffmpeg and gifsicle (installs them when missing).
gif-compare: build
	scripts/deps.sh compare
	bench/gif-compare.sh $(BUILD)

# The Debian package, built with Debian's hardening flags: $(PACKAGE_BUILD)/tarvello_*.deb
package:
	scripts/deps.sh package
	CXXFLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
	LDFLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
	cmake --preset package
	cmake --build --preset package -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB

# docs/screenshot.png: the editor with a finished banner, on Xvfb.
screenshot:
	scripts/deps.sh test
	cmake --preset test
	cmake --build --preset test -j $(JOBS) --target tarvello screen-probe
	scripts/screenshot.sh $(TEST_BUILD)/tarvello $(TEST_BUILD)/tests/desktop/screen-probe docs/screenshot.png

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(PACKAGE_BUILD)
