# The two commands of the README, over CMake, and the ways to install. Each installs the Debian
# packages it needs when they are missing (as root, or through sudo).
BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
# The list of what `make install` installed, which `make uninstall` reads.
INSTALLED ?= $(BUILD)/installed-files.txt

# What building and running the game needs; the tests and the package need more.
BUILD_PACKAGES = cmake g++ make pkg-config libgtk-3-dev libcairo2-dev libfreetype-dev \
	libharfbuzz-dev fonts-liberation2 fonts-dejavu-core librsvg2-common
TEST_PACKAGES = libgtest-dev xvfb xauth openbox xdotool x11-utils imagemagick python3 clang \
	libclang-rt-14-dev desktop-file-utils groff man-db libgdk-pixbuf2.0-bin
PACKAGE_PACKAGES = dpkg-dev file
# Only the benchmarks use these: bench/frame compares the kit with SDL2's software renderer.
BENCH_PACKAGES = libsdl2-dev libsdl2-ttf-dev

CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all run test deps test-deps package-deps build build-tests build-asan unit-tests \
	asan-tests window-tests bench install uninstall package readme-pictures clean

all: build

deps:
	@bash tools/install-packages.sh $(BUILD_PACKAGES)

test-deps: deps
	@bash tools/install-packages.sh $(TEST_PACKAGES)

package-deps: deps
	@bash tools/install-packages.sh $(PACKAGE_PACKAGES)

# Everything the build directory is configured for: with the tests once GoogleTest is there.
build: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS)

build-tests: test-deps
	$(CONFIGURE) -DVELDO_BUILD_TESTS=ON
	cmake --build $(BUILD) -j $(JOBS)

build-asan: test-deps
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DVELDO_SANITIZE=ON -DVELDO_BUILD_TESTS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)

# Only the game: no test, benchmark or example is built on the way to the window. The
# configuration is left as it is, so the same build directory serves `make test` too.
run: deps
	$(CONFIGURE)
	cmake --build $(BUILD) -j $(JOBS) --target dovuvezuvir
	./$(BUILD)/dovuvezuvir

unit-tests: build-tests
	ctest --test-dir $(BUILD) -L unit --output-on-failure -j $(JOBS)

asan-tests: build-asan
	ASAN_OPTIONS=detect_leaks=0 ctest --test-dir $(ASAN_BUILD) -LE window --output-on-failure -j $(JOBS)

window-tests: build-tests
	ctest --test-dir $(BUILD) -L window --output-on-failure --repeat until-pass:2

# Every test: the unit tests as built, again under the sanitizers, then the real-window tests.
# A real-window test drives a real X server and window manager with fixed time limits, so one
# that fails is run once more before it counts as failed.
test: test-deps
	$(MAKE) build-tests
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
# or programs linked against it in /usr/local/lib would not start. The list of the files and
# directories installed is kept for `make uninstall`.
install: build
	@bash tools/install.sh $(BUILD) $(PREFIX) $(INSTALLED)
	@if [ "$$(id -u)" -eq 0 ] && [ -z "$$DESTDIR" ]; then ldconfig; fi

# Removes exactly what the last `make install` from this build directory installed.
uninstall:
	@bash tools/uninstall.sh $(INSTALLED)

# A Debian package of the kit and the game: $(BUILD)/veldo_VERSION_ARCH.deb.
package: package-deps build
	cd $(BUILD) && cpack -G DEB

# The README's pictures, replayed from their scripts in doc/.
readme-pictures: test-deps
	@bash tools/readme-pictures.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
