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

check: build
	cd build && ctest --output-on-failure -j $(JOBS)
	$(MAKE) --no-print-directory build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

demo: build
	build/bin/olven sk -pwe samples/przyklad.swd samples/przyklad.swg samples/bledy.swd

clean:
	rm -rf build build-asan
