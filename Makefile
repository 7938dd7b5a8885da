# Thin front end over CMake. `make test` and `make run` do all set-up themselves.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

WINDOWS_BUILD_DIR ?= build-windows

.PHONY: all bootstrap configure build test run screenshot kill-test clean \
        windows test-windows windows-package screenshot-windows

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

kill-test: build
	@scripts/kill-test $(BUILD_DIR)

clean:
	rm -rf $(BUILD_DIR) $(WINDOWS_BUILD_DIR)

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

windows-package: windows
	cmake --build $(WINDOWS_BUILD_DIR) --target windows-package

screenshot-windows: windows-package
	@scripts/screenshot-windows $(WINDOWS_BUILD_DIR)
