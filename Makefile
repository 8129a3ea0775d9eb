# paintcore: `make demo` builds and runs the main job; `make check` builds
# and runs every test, then runs them again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then fuzzes the file parsers; `make bench`
# runs the benchmarks; `make install` installs the library under PREFIX.
# JOBS compilers run at once (every core by default).

BUILD      ?= build
SAN_BUILD  ?= build-san
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS       ?= $(shell nproc)
DEMO_OUT   ?= $(BUILD)/demo.png
PREFIX     ?= /usr/local

.PHONY: all deps deps-demo build build-demo demo install check test test-san fuzz bench clean

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

# The file parsers' fuzz targets, built with clang apart from the main
# build, each run for FUZZ_SECONDS on a seed corpus the seed writer makes.
fuzz: deps
	cmake -S tests/fuzz -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ_BUILD) -j $(JOBS)
	./scripts/run-fuzz $(FUZZ_BUILD) $(FUZZ_SECONDS)

check: test test-san fuzz

bench: build
	@set -e; for b in $(BUILD)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; "$$b" $(BENCH_ARGS); done

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
