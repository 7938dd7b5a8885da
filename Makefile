# Thin front end over CMake. `make test` and `make run` do all set-up themselves.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

WINDOWS_BUILD_DIR ?= build-windows

.PHONY: all bootstrap configure build test run screenshot check-window-position kill-test fuzz \
        fuzz-ci coverage clean windows windows-cli test-windows windows-package screenshot-windows

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	cmake -S . -B $(BUILD_DIR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

test: build
	cd $(BUILD_DIR) && ctest --output-on-failure -j $(JOBS)

run: build
	@scripts/run $(BUILD_DIR)

screenshot: build
	@scripts/screenshot $(BUILD_DIR)

# The window's saved position under Xvfb with openbox (skipped without them).
check-window-position: build
	@scripts/check-window-position $(BUILD_DIR)

kill-test: build
	@scripts/kill-test $(BUILD_DIR)

# The libFuzzer targets, built with clang in build-fuzz, each run for
# FUZZ_SECONDS (default 300) on the corpus; crash inputs are kept under
# tests/corpus/<format>/fail/. FUZZ_TARGETS picks some (default: all).
FUZZ_SECONDS ?= 300
FUZZ_TARGETS ?=

fuzz:
	@scripts/bootstrap fuzz
	FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) scripts/fuzz $(FUZZ_TARGETS)

# What CI runs: every target for FUZZ_CI_SECONDS (default 30); the first
# crash, leak or timeout of a target fails the run, its input kept as above
# and printed in base64 in the log.
FUZZ_CI_SECONDS ?= 30

fuzz-ci:
	@scripts/bootstrap fuzz
	FUZZ_SECONDS=$(FUZZ_CI_SECONDS) FUZZ_FAIL_ON_CRASH=1 JOBS=$(JOBS) scripts/fuzz $(FUZZ_TARGETS)

# The core test programs built with clang's coverage in build-coverage; prints
# the line and branch coverage of each core folder (README: Coverage).
coverage:
	@scripts/bootstrap coverage
	JOBS=$(JOBS) scripts/coverage

clean:
	rm -rf $(BUILD_DIR) $(WINDOWS_BUILD_DIR) $(WINDOWS_BUILD_DIR)-cli

# Windows x64, cross-compiled with mingw-w64 and tested under Wine. Qt for
# Windows is built once into ~/.cache/velkaro (scripts/build-qt-windows).
windows:
	@scripts/bootstrap windows
	@qt=$$(scripts/build-qt-windows | tail -n 1) && \
	  cmake -S . -B $(WINDOWS_BUILD_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	    -DVELKARO_QT_WINDOWS="$$qt" -DVELKARO_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD_DIR) -j $(JOBS)

test-windows: windows
	@scripts/test-windows $(WINDOWS_BUILD_DIR)

# The core, velkaro-cli and their tests for Windows, without Qt (no window).
windows-cli:
	@scripts/bootstrap windows
	cmake -S . -B $(WINDOWS_BUILD_DIR)-cli -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	  -DVELKARO_BUILD_GUI=OFF -DVELKARO_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(WINDOWS_BUILD_DIR)-cli -j $(JOBS)

windows-package: windows
	cmake --build $(WINDOWS_BUILD_DIR) --target windows-package

screenshot-windows: windows-package
	@scripts/screenshot-windows $(WINDOWS_BUILD_DIR)
