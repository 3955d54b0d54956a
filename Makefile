# The two commands of the README, and the other jobs around them.
#   make run            install what is missing, build, run the main job on the example
#   make test           install what is missing, build, run every test
#   make test-sanitize  the same suite built with ASan and UBSan
#   make windows        the Windows programs, cross-built with MinGW-w64 (build-win/)
#   make test-windows   their test suites and end-to-end runs under Wine, the installer
#   make package-windows  the Windows installer (NSIS)
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
BUILD ?= build
SAN_BUILD ?= build-sanitize
WIN_BUILD ?= build-win

.PHONY: all deps build run test test-sanitize bench fuzz package clean \
        deps-windows windows test-windows package-windows

all: build

deps:
	scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

run: build
	scripts/demo $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTALVEX_SANITIZE=ON -DTALVEX_BENCH=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

bench: build
	scripts/bench $(BUILD)

fuzz: deps
	scripts/fuzz

package: build
	cd $(BUILD) && cpack -G DEB

deps-windows:
	scripts/install-deps --windows

# The Linux build is named so that the end-to-end test compares against it.
windows: deps-windows
	cmake -S . -B $(WIN_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DTALVEX_LINUX_BUILD=$(abspath $(BUILD))
	cmake --build $(WIN_BUILD) -j $(JOBS)

test-windows: build windows
	scripts/test-windows $(WIN_BUILD)

package-windows: windows
	cd $(WIN_BUILD) && cpack -G NSIS

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(WIN_BUILD) build-fuzz
