# Thin wrappers around CMake. `make run` and `make test` install what is missing first.
BUILD ?= build
BENCH_BUILD ?= build-bench
RELEASE_BUILD ?= build-release
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 20
JOBS ?= $(shell nproc)

.PHONY: all deps build release run test bench fuzz format clean install package
PREFIX ?= /usr/local

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake -S . -B $(BUILD) -G Ninja >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The window where a display exists; otherwise the general report of the default engine.
run: build
	@scripts/run-main $(BUILD)

test: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The program, its interface texts, the manual, the desktop entry, the icons and the manual
# page under PREFIX (default /usr/local), from the optimised Release build in RELEASE_BUILD:
# make install PREFIX=$$HOME/.local
install: release
	@cmake --install $(RELEASE_BUILD) --prefix $(PREFIX)

# A Debian package of the installed layout under /usr, in the Release build folder.
package: release
	@cd $(RELEASE_BUILD) && cpack -G DEB

release: deps
	@cmake -S . -B $(RELEASE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(RELEASE_BUILD) -j $(JOBS)

bench: deps
	@cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANTIS_TESTS=OFF -DORVANTIS_BENCH=ON >/dev/null
	@cmake --build $(BENCH_BUILD) -j $(JOBS)
	@for b in $(BENCH_BUILD)/bench/orvantis_*_bench; do $$b --benchmark_repetitions=10 --benchmark_report_aggregates_only=true || exit 1; done

fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANTIS_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)
	@scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	@rm -rf $(BUILD) $(BENCH_BUILD) $(FUZZ_BUILD) $(RELEASE_BUILD) build-asan
