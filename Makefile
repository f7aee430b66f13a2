# Thin wrapper over CMake and CTest. `make demo` and `make check` set up a
# fresh Debian machine themselves.
JOBS ?= $(shell nproc)

.PHONY: all deps build build-asan stage check demo clean

all: build

deps:
	@sh tools/install-deps.sh

build: deps
	cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOLV_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

# The installer with its payload, as a user gets it: build/stage/olvenSetup
# installs the suite from build/stage/runimage/ (the default build makes it
# too).
stage: build
	cmake --build build --target olv_stage
	@echo "Program instalacyjny: build/stage/olvenSetup"

# Every test runs three times in each build, so that one that depends on
# timing shows itself before it lands.
CTEST_REPEAT ?= until-fail:3

check: build
	cd build && ctest --output-on-failure -j $(JOBS) --repeat $(CTEST_REPEAT)
	$(MAKE) --no-print-directory build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS) --repeat $(CTEST_REPEAT)

# The authorization and its verification write into build/demo, with a
# registry of their own there (the document templates come from szablon.reg
# beside olven on the first run); so does the merge of the descriptive and
# geometric sample pair.
DEMO_DIR = build/demo
DEMO_ENV = OLVEN_REGISTRY=$(CURDIR)/$(DEMO_DIR)/registry

demo: build
	build/bin/olven sk -pwe samples/przyklad.swd samples/przyklad.swg samples/bledy.swd
	build/bin/olven sp -pwe samples/semantyka.swd
	build/bin/olven sp -pwe samples/semantyka_bledy.swd
	mkdir -p $(DEMO_DIR)
	$(DEMO_ENV) build/bin/olven ga -pwe samples/przyklad.swd -pwy $(DEMO_DIR)/przyklad_crc.swd
	$(DEMO_ENV) build/bin/olven wa -pwe $(DEMO_DIR)/przyklad_crc.swd
	build/bin/olven sc -pwe samples/scalanie_opis.swd samples/scalanie_geometria.swd -pwy $(DEMO_DIR)/scalony.swd

clean:
	rm -rf build build-asan
