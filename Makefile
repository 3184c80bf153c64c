# The two commands of the README:
#   make test   installs what is missing, builds with the sanitizers and runs every test
#   make run    installs what is missing, builds and starts the desktop program
# Both keep their builds under build/ so they never disturb each other.

JOBS      ?= $(shell nproc)
TEST_DIR  := build/test
RUN_DIR   := build/release

FUZZ_DIR  := build/fuzz

.PHONY: test run deps build-test build-run bench fuzz clean

deps:
	@./scripts/install-deps.sh

build-test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DQUORVEX_SANITIZE=ON
	cmake --build $(TEST_DIR) -j $(JOBS)

test: build-test
	cd $(TEST_DIR) && ctest --output-on-failure -j $(JOBS) --timeout 300

build-run: deps
	cmake -S . -B $(RUN_DIR) -DCMAKE_BUILD_TYPE=Release
	cmake --build $(RUN_DIR) -j $(JOBS)

run: build-run
	./scripts/run-quorvex.sh $(RUN_DIR)/bin

bench: build-run
	@echo "Benchmarks are built in $(RUN_DIR)/bin (quorvex-bench-*); see docs/PERFORMANCE.md."

# The libFuzzer harnesses of fuzz/, built with clang; run by hand (docs/FUZZING.md).
fuzz:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DQUORVEX_FUZZ=ON -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j 2 --target quorvex_fuzzers

clean:
	rm -rf build
