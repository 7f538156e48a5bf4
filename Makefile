# Everything runs from here: `make test`, `make run`, `make bench`, `make fuzz`.
JOBS ?= $(shell nproc)
TEST_DIR  := build/test
RUN_DIR   := build/run
BENCH_DIR := build/bench
PACKAGE_DIR := build/package
FUZZ_DIR  := build/fuzz
FUZZ_SECONDS ?= 60
FUZZ_TARGETS ?=
SOAK_DIR  := build/soak
# make soak DAYS=n: simulated days on virtual time (the busy devices report every REPORT s, so that
# 60 days take under an hour); make soak-real HOURS=n: hours of the real program.
DAYS   ?= 60
REPORT ?= 300
HOURS  ?= 1

.PHONY: all deps test run bench build-run package fuzz fuzz-coverage clean soak soak-real

all: build-run

deps:
	@bash scripts/install-deps.sh

test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DDALMIRO_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

build-run: deps
	cmake -S . -B $(RUN_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(RUN_DIR) -j $(JOBS) --target Dalmiro zbsim brivola-monitor pravel

run: build-run
	bash scripts/run-demo.sh $(RUN_DIR)

bench: deps
	cmake -S . -B $(BENCH_DIR) -DCMAKE_BUILD_TYPE=Release -DDALMIRO_BENCH=ON
	cmake --build $(BENCH_DIR) -j $(JOBS)
	@set -e; for b in $(BENCH_DIR)/bench/bench_*; do \
	  [ -x "$$b" ] || continue; echo "== $$(basename $$b)"; QT_QPA_PLATFORM=offscreen "$$b"; done
	@echo "== the program at rest"; bash bench/program/idle_cpu.sh $(BENCH_DIR)

# The fuzz targets, built with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer), each run
# for FUZZ_SECONDS in turn on one core (FUZZ_TARGETS="name=seconds ..." runs only those, each for its own
# time); `make test` replays their kept inputs without clang.
fuzz:
	@bash scripts/install-deps.sh --fuzz
	cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
	  -DCMAKE_CXX_COMPILER=clang++-14 -DDALMIRO_SANITIZE=ON -DDALMIRO_FUZZ=ON
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target dalmiro_fuzzers
	bash fuzz/run_fuzzers.sh $(FUZZ_DIR) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# Line coverage of the framer and the profile document reached by the kept inputs and the last run's corpus.
fuzz-coverage:
	@bash scripts/install-deps.sh --fuzz
	bash fuzz/coverage.sh $(FUZZ_DIR) build/fuzz-coverage

# Weeks of a busy network on virtual time, on the release build.
soak: deps
	cmake -S . -B $(SOAK_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(SOAK_DIR) -j $(JOBS) --target soak_run
	QT_QPA_PLATFORM=offscreen $(SOAK_DIR)/bin/soak_run --days $(DAYS) --report $(REPORT)

# The release program against zbsim on a pseudo-terminal under Xvfb, its memory and CPU sampled.
soak-real: deps
	cmake -S . -B $(SOAK_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(SOAK_DIR) -j $(JOBS) --target Dalmiro zbsim
	bash tests/soak/soak_real.sh $(SOAK_DIR) $(HOURS)

# A Debian package of the programs for /usr: build/package/dalmiro_<version>_<arch>.deb
package: deps
	cmake -S . -B $(PACKAGE_DIR) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
	  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
	cmake --build $(PACKAGE_DIR) -j $(JOBS) --target Dalmiro zbsim brivola-monitor pravel dalmiro_install_files
	cd $(PACKAGE_DIR) && cpack -G DEB

clean:
	rm -rf build
