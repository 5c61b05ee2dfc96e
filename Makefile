# Entry points: `make demo` and `make check` install what they need, build, and run.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: deps build demo check check-asan bench fuzz format clean deb

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	scripts/demo.sh $(BUILD)/sonivex $(DEMO_ARGS)

check: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The same tests under AddressSanitizer and UBSan, in a build of their own.
check-asan: deps
	cmake -S . -B build-asan -G Ninja -DSONIVEX_SANITIZE=ON -DSONIVEX_BENCH=OFF
	cmake --build build-asan -j $(JOBS)
	cd build-asan && LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp ctest --output-on-failure -j $(JOBS) --timeout 900

bench: build
	$(BUILD)/bench/bench_levels

# The wave-file fuzz target for FUZZ_SECONDS (CI runs a short slice; run longer by hand).
FUZZ_SECONDS ?= 60
fuzz: deps
	scripts/fuzz.sh $(FUZZ_SECONDS)

# The Debian package, from a Release build of the program alone.
deb: deps
	cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=Release -DSONIVEX_TESTS=OFF -DSONIVEX_BENCH=OFF
	cmake --build build-deb -j $(JOBS)
	cd build-deb && cpack -G DEB
	cp build-deb/sonivex_*.deb .

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) build-asan build-deb sonivex_*.deb
