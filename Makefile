# The two commands of the README, over CMake, and the ways to install. Each installs the Debian
# packages it needs when they are missing (as root, or through sudo).
BUILD ?= build
ASAN_BUILD ?= build-asan
WEB_BUILD ?= build-web
# `make serve` serves the pages here, on the loopback interface only.
WEB_PORT ?= 8000
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
# The web pages: Emscripten (tools/web/build-deps.sh adds what building the WebAssembly libraries
# needs); the browser test drives Debian's Chromium through its WebDriver with Python's Selenium.
WEB_PACKAGES = emscripten cmake make pkg-config fonts-liberation2
WEB_TEST_PACKAGES = chromium chromium-driver python3-selenium imagemagick
# Only the benchmarks use these: bench/frame compares the kit with SDL2's software renderer.
BENCH_PACKAGES = libsdl2-dev libsdl2-ttf-dev

CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all run test deps test-deps package-deps build build-tests build-asan unit-tests \
	asan-tests window-tests web serve web-tests bench install uninstall package readme-pictures \
	clean

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
	ASAN_OPTIONS=detect_leaks=0 ctest --test-dir $(ASAN_BUILD) -LE 'window|web' --output-on-failure \
		-j $(JOBS)

window-tests: build-tests
	ctest --test-dir $(BUILD) -L window --output-on-failure --repeat until-pass:2

# The game and the examples as web pages in $(WEB_BUILD) (the WebAssembly libraries they need are
# built once, into a cache outside the repository).
web:
	@bash tools/install-packages.sh $(WEB_PACKAGES)
	VELDO_WEB_JOBS=$(JOBS) bash tools/web/build-web.sh $(WEB_BUILD)

# The pages on http://127.0.0.1:$(WEB_PORT)/ until Ctrl+C.
serve: web
	@echo "Open http://127.0.0.1:$(WEB_PORT)/dovuvezuvir/ (the game) or http://127.0.0.1:$(WEB_PORT)/"
	/usr/bin/python3 -m http.server --bind 127.0.0.1 --directory $(WEB_BUILD) $(WEB_PORT)

# The real-browser tests: the pages in headless Chromium, against the desktop's replay tool.
web-tests: web build-tests
	@bash tools/install-packages.sh $(WEB_TEST_PACKAGES)
	$(CONFIGURE) -DVELDO_BUILD_TESTS=ON -DVELDO_WEB_PAGES=$(abspath $(WEB_BUILD))
	ctest --test-dir $(BUILD) -L web --output-on-failure

# Every test: the unit tests as built, again under the sanitizers, the real-window tests, then the
# pages in a real browser. A real-window or browser test drives a real display or browser with fixed
# time limits, so one that fails is run once more before it counts as failed.
test: test-deps
	$(MAKE) build-tests
	ctest --test-dir $(BUILD) -LE 'window|web' --output-on-failure -j $(JOBS)
	$(MAKE) asan-tests
	ctest --test-dir $(BUILD) -L window --output-on-failure --repeat until-pass:2
	$(MAKE) web
	@bash tools/install-packages.sh $(WEB_TEST_PACKAGES)
	$(CONFIGURE) -DVELDO_BUILD_TESTS=ON -DVELDO_WEB_PAGES=$(abspath $(WEB_BUILD))
	ctest --test-dir $(BUILD) -L web --output-on-failure --repeat until-pass:2

# Every benchmark binary, then the real-window ones under Xvfb, then the game's page in Chromium.
bench: test-deps
	@bash tools/install-packages.sh $(BENCH_PACKAGES) $(WEB_TEST_PACKAGES)
	$(MAKE) build
	@for b in $(BUILD)/bench/*; do [ -x "$$b" ] && [ -f "$$b" ] && echo "== $$b" && "$$b"; done; true
	@echo "== bench/run_window_bench.sh" && bash bench/run_window_bench.sh $(BUILD)
	$(MAKE) web
	@echo "== bench/web_bench.py" && /usr/bin/python3 bench/web_bench.py --pages $(WEB_BUILD) \
		--native $(BUILD)

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
	rm -rf $(BUILD) $(ASAN_BUILD) $(WEB_BUILD)
