# Thin wrapper over scripts/bootstrap.sh and CMake.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build run test bench fuzz clean

all: build

bootstrap:
	@scripts/bootstrap.sh

configure: bootstrap
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run.sh $(BUILD)/ov7931fp $(ARGS)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@scripts/bench.sh $(BUILD)/bench

# Runs every fuzz target for FUZZ_SECONDS (default 60); needs clang (installed on demand).
fuzz:
	@FUZZ_SECONDS=$(or $(FUZZ_SECONDS),60) scripts/fuzz.sh

clean:
	rm -rf $(BUILD)
