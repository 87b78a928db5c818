# Thin wrapper over scripts/bootstrap.sh and CMake.
BUILD ?= build
JOBS ?= $(shell nproc)

.PHONY: all bootstrap configure build run test bench package fuzz asan tsan clean

all: build

bootstrap:
	@scripts/bootstrap.sh

configure: bootstrap
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@scripts/run.sh $(BUILD)/ov7931fp $(ARGS)

# The suite, after a check that CTest fails deliberately faulty tests.
test: build
	@cmake --build $(BUILD) --target verdict_check
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$(JOBS)

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@scripts/bench.sh $(BUILD)/bench

# The Debian package of the panel and ov7931rec, in $(BUILD)/ (CPack, DEB).
package: build
	@cd $(BUILD) && cpack -G DEB

# Runs every fuzz target for FUZZ_SECONDS (default 60); needs clang (installed on demand).
fuzz:
	@FUZZ_SECONDS=$(or $(FUZZ_SECONDS),60) scripts/fuzz.sh

# The whole suite under AddressSanitizer and UndefinedBehaviorSanitizer, in
# build-asan; first a check that CTest fails a deliberately leaking test.
asan: bootstrap
	@test -f build-asan/CMakeCache.txt || cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOV_SANITIZE=ON
	@cmake --build build-asan -j$(JOBS)
	@cmake --build build-asan --target verdict_check
	@cd build-asan && ctest --output-on-failure -j$(JOBS)

# The tests labelled "tsan" (threads synchronised only through our own and
# standard locks) under ThreadSanitizer, in build-tsan; first a check that
# CTest fails a deliberately racing test.
tsan: bootstrap
	@test -f build-tsan/CMakeCache.txt || cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOV_TSAN=ON
	@cmake --build build-tsan -j$(JOBS) --target tsan_tests
	@cmake --build build-tsan --target verdict_check
	@cd build-tsan && ctest --output-on-failure -j$(JOBS) -L tsan

clean:
	rm -rf $(BUILD) build-asan build-tsan
