# Thin front end over CMake. `make test` and `make run` do all set-up themselves.
BUILD_DIR ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all bootstrap configure build test run screenshot check-window-position kill-test fuzz clean

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

clean:
	rm -rf $(BUILD_DIR)
