# paintcore: `make demo` builds and runs the main job; `make check` builds
# and runs every test, then runs them again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then fuzzes the file parsers; `make bench`
# runs the benchmarks.

BUILD      ?= build
SAN_BUILD  ?= build-san
TSAN_BUILD ?= build-tsan
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS       ?= $(shell nproc)
DEMO_OUT   ?= $(BUILD)/demo.png

.PHONY: all deps build demo check test test-san test-tsan fuzz bench clean

all: build

deps:
	./scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	./$(BUILD)/pte demo $(DEMO_OUT)
	@echo "demo written to $(DEMO_OUT)"

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
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD)
