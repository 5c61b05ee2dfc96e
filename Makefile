# Entry points: `make demo` and `make check` install what they need, build, and run.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build release demo check check-asan bench fuzz mutate format clean deb

# Warnings are errors here and in CI; a packager's plain cmake configure leaves them warnings.
WERROR = -DSONIVEX_WERROR=ON

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(WERROR) $(CMAKE_FLAGS)

# A build folder configured before the option existed is switched over once.
build: deps $(BUILD)/build.ninja
	@grep -q '^SONIVEX_WERROR:BOOL=ON' $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

# The program as a packager builds it (Release, -O3), without tests or benchmarks.
release: deps
	cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONIVEX_TESTS=OFF \
		-DSONIVEX_BENCH=OFF $(WERROR)
	cmake --build build-release -j $(JOBS)

demo: build
	scripts/demo.sh $(BUILD)/sonivex $(DEMO_ARGS)

check: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The same tests under AddressSanitizer and UBSan, in a build of their own.
check-asan: deps
	cmake -S . -B build-asan -G Ninja -DSONIVEX_SANITIZE=ON -DSONIVEX_BENCH=OFF $(WERROR)
	cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS) --timeout 900

bench: build
	$(BUILD)/bench/bench_levels

# Every fuzz target of fuzz/ for FUZZ_SECONDS each (CI runs a short slice); FUZZ_TARGETS="smtp hid"
# runs only those.
FUZZ_SECONDS ?= 600
FUZZ_TARGETS ?=
fuzz: deps
	FUZZ_TARGETS="$(FUZZ_TARGETS)" scripts/fuzz.sh $(FUZZ_SECONDS)

# Seeded faults, one at a time, against the tests of the programs that link them (not in CI; a
# long run). The sample is repeatable: the same SEED picks the same mutants.
MUTANTS ?= 120
SEED ?= 1
mutate: deps
	/usr/bin/python3 scripts/mutate.py --count $(MUTANTS) --seed $(SEED) $(MUTATE_ARGS)

# The Debian package, from the Release build, checked with lintian.
deb: release
	cd build-release && cpack -G DEB
	cp build-release/sonivex_*.deb .
	scripts/check-deb.sh sonivex_$$(sed -n 's/^project(sonivex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)_amd64.deb

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-asan build-release sonivex_*.deb
