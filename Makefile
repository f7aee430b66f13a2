# Thin wrapper over CMake and CTest. `make demo` and `make check` set up a
# fresh Debian machine themselves.
JOBS ?= $(shell nproc)

.PHONY: all deps build build-asan check demo clean

all: build

deps:
	@sh tools/install-deps.sh

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOLV_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

# Every test runs three times in each build, so that one that depends on
# timing shows itself before it lands.
CTEST_REPEAT ?= until-fail:3

check: build
	cd build && ctest --output-on-failure -j $(JOBS) --repeat $(CTEST_REPEAT)
	$(MAKE) --no-print-directory build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --repeat $(CTEST_REPEAT)

demo: build
	build/bin/olven sk -pwe samples/przyklad.swd samples/przyklad.swg samples/bledy.swd

clean:
	rm -rf build build-asan
