# paintcore: `make demo` builds and runs the main job; `make check` builds
# and runs every test, then runs them again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the task pool's users under ThreadSanitizer,
# then fuzzes the file parsers; `make bench`
# runs the benchmarks; `make install` installs the library under PREFIX.
# JOBS compilers run at once (every core by default).
# `make windows` cross-builds the two Windows DLLs; `make check-windows` runs
# the 64-bit test suite under Wine.

BUILD      ?= build
SAN_BUILD  ?= build-san
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS       ?= $(shell nproc)
DEMO_OUT   ?= $(BUILD)/demo.png
PREFIX     ?= /usr/local

.PHONY: all deps deps-demo build build-demo demo install check test test-san test-tsan fuzz bench clean \
        windows-deps windows check-windows

all: build

# Debian packages: the demo's (building and running the library and pte),
# and everything the tests, fuzzing and benchmarks add.
deps-demo:
	./scripts/install-deps demo

deps:
	./scripts/install-deps check

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPAINTCORE_TESTS=ON -DPAINTCORE_BENCH=ON
	cmake --build $(BUILD) -j $(JOBS)

# The library and pte alone. A build folder configured first here leaves the
# tests and benchmarks out (their frameworks may not be installed); one that
# `make check` configured keeps them.
build-demo: deps-demo
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release \
	      $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DPAINTCORE_TESTS=OFF -DPAINTCORE_BENCH=OFF)
	cmake --build $(BUILD) -j $(JOBS) --target paintcore pte

demo: build-demo
	./$(BUILD)/pte demo $(DEMO_OUT)
	@echo "demo written to $(DEMO_OUT)"

install: build-demo
	cmake --install $(BUILD) --prefix $(PREFIX)

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-san: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAINTCORE_SANITIZE=ON \
	      -DPAINTCORE_BENCH=OFF -DPAINTCORE_TOOLS=OFF
	cmake --build $(SAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(SAN_BUILD) --output-on-failure -j $(JOBS)

# The tests of the task pool and its users under ThreadSanitizer, on the
# std::thread pool (the sanitizer cannot see oneTBB's own synchronisation).
test-tsan: deps
	cmake -S . -B $(TSAN_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPAINTCORE_TSAN=ON -DPAINTCORE_TBB=OFF \
	      -DPAINTCORE_BENCH=OFF -DPAINTCORE_TOOLS=OFF
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target parallel_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir $(TSAN_BUILD) -L parallel --output-on-failure -j $(JOBS)

# The file parsers' fuzz targets, built with clang apart from the main
# build, each run for FUZZ_SECONDS on a seed corpus the seed writer makes.
fuzz: deps
	cmake -S tests/fuzz -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	./scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

check: test test-san test-tsan fuzz

bench: build
	@set -e; for b in $(BUILD)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; "$$b" $(BENCH_ARGS); done

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(TSAN_BUILD) $(FUZZ_BUILD) $(WIN64_BUILD) $(WIN32_BUILD)

# Windows: build-win64/paintcore.dll and build-win32/paintcore.dll (stdcall,
# plain export names), each with its import library libpaintcore.dll.a,
# cross-built with mingw-w64 against dependencies that
# scripts/build-windows-deps builds once into build-windows-deps/.
WIN64_BUILD ?= build-win64
WIN32_BUILD ?= build-win32

windows-deps:
	./scripts/install-windows-deps
	nice -n 15 ./scripts/build-windows-deps

windows: windows-deps
	cmake -S . -B $(WIN64_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DPAINTCORE_WIN32_BUILD=$(abspath $(WIN32_BUILD))
	cmake --build $(WIN64_BUILD) -j $(JOBS) --target paintcore
	cmake -S . -B $(WIN32_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw32.cmake \
	      -DCMAKE_BUILD_TYPE=Release -DPAINTCORE_TOOLS=OFF
	cmake --build $(WIN32_BUILD) -j $(JOBS) --target paintcore

# The 64-bit suite under wine64, all of it against one X server; the Wine
# server is stopped before the X server goes.
check-windows: windows
	cmake --build $(WIN64_BUILD) -j $(JOBS)
	./tests/with_xvfb.py sh -c 'ctest --test-dir $(WIN64_BUILD) --output-on-failure -j $(JOBS); \
	  status=$$?; WINEPREFIX=$(abspath $(WIN64_BUILD))/wineprefix wineserver -k 2>/dev/null; exit $$status'
