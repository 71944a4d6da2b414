# make run    installs what is missing, builds and starts the editor
# make test   installs what is missing, builds with warnings as errors, runs every test
#             and checks the Windows sources with MinGW-w64 and Wine
BUILD ?= build
TEST_BUILD ?= build-test
JOBS ?= 2

.PHONY: run test build bench gif-compare clean

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
	scripts/deps.sh build
	cmake -S . -B $(TEST_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVELLO_WERROR=ON
	cmake --build $(TEST_BUILD) -j $(JOBS)
	cd $(TEST_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)
	scripts/mingw-check.sh $(TEST_BUILD)

bench: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-startup
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-drag
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/bench-viewer

# The GIF writer beside ImageMagick and ffmpeg (installs both when missing).
gif-compare: build
	scripts/deps.sh compare
	bench/gif-compare.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(TEST_BUILD)
