# The two commands of the README, over CMake. Both install the Debian packages the build and the
# tests need when they are missing (as root, or through sudo).
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local

BUILD_PACKAGES = cmake g++ make pkg-config libgtk-3-dev libgtest-dev fonts-dejavu-core
# Only the benchmarks use these: bench/frame compares the kit with SDL2's software renderer.
BENCH_PACKAGES = libsdl2-dev libsdl2-ttf-dev
TEST_PACKAGES = xvfb xauth openbox xdotool x11-utils imagemagick python3 clang libclang-rt-14-dev \
	desktop-file-utils groff man-db libgdk-pixbuf2.0-bin librsvg2-common

.PHONY: all run test deps test-deps build build-asan unit-tests asan-tests window-tests bench install clean

all: build

deps:
	@bash tools/install-packages.sh $(BUILD_PACKAGES)

test-deps: deps
	@bash tools/install-packages.sh $(TEST_PACKAGES)

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELDO_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

run: build
	@if [ -x $(BUILD)/dovuvezuvir ]; then ./$(BUILD)/dovuvezuvir; else ./$(BUILD)/examples/events; fi

unit-tests: build
	ctest --test-dir $(BUILD) -L unit --output-on-failure -j $(JOBS)

asan-tests: build-asan
	ASAN_OPTIONS=detect_leaks=0 ctest --test-dir $(ASAN_BUILD) -LE window --output-on-failure -j $(JOBS)

window-tests: test-deps build
	ctest --test-dir $(BUILD) -L window --output-on-failure --repeat until-pass:2

# Every test: the unit tests as built, again under the sanitizers, then the real-window tests.
# A real-window test drives a real X server and window manager with fixed time limits, so one
# that fails is run once more before it counts as failed.
test: test-deps
	$(MAKE) build
	ctest --test-dir $(BUILD) -LE window --output-on-failure -j $(JOBS)
	$(MAKE) asan-tests
	ctest --test-dir $(BUILD) -L window --output-on-failure --repeat until-pass:2

# Every benchmark binary, then the real-window ones under Xvfb.
bench: test-deps
	@bash tools/install-packages.sh $(BENCH_PACKAGES)
	$(MAKE) build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && echo "== $$b" && "$$b"; done; true
	@echo "== bench/run_window_bench.sh" && bash bench/run_window_bench.sh $(BUILD)

# Installed as root into the live system, the dynamic linker's cache must learn of libveldo.so.1,
# or programs linked against it in /usr/local/lib would not start.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	@if [ "$$(id -u)" -eq 0 ] && [ -z "$$DESTDIR" ]; then ldconfig; fi

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
