# paintcore: `make demo` builds and runs the main job; `make check` builds
# and runs every test, then runs them again under AddressSanitizer and
# UndefinedBehaviorSanitizer; `make bench` runs the benchmarks.

BUILD      ?= build
SAN_BUILD  ?= build-san
JOBS       ?= $(shell nproc)
DEMO_OUT   ?= $(BUILD)/demo.png

.PHONY: all deps build demo check test test-san bench clean

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

check: test test-san

bench: build
	@set -e; for b in $(BUILD)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$b"; "$$b" $(BENCH_ARGS); done

clean:
	rm -rf $(BUILD) $(SAN_BUILD)
