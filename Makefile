# The project's commands. The recipes only sequence CMake presets and scripts;
# the logic lives in CMakeLists.txt, CMakePresets.json and scripts/.
#
#   make build   the gadget for Windows: build/win64/exitbutton.exe, build/win32/exitbutton.exe
#   make test    unit tests (native), both Windows builds, the end-to-end tests of the x64 and
#                x86 exes under Wine (side by side), then the quick benchmark
#   make run     the 64-bit gadget under Wine (on $DISPLAY, or headless with a screenshot)
#   make bench   the benchmarks: gadget vs references, one table, build/bench/results.json
#   make soak    the long soak and input storm against the real exe (about an hour);
#                BUILD=x86 soaks the 32-bit exe
#   make dist    the release archive dist/exitbutton-1.0.0-windows.zip, both exes built from clean
#   make clean   removes build/ and dist/

SHELL := /bin/bash
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: build test run clean dist bench soak bootstrap win64 win32 native

build: bootstrap
	@$(MAKE) --no-print-directory win64 win32

test: bootstrap
	@echo "== unit tests (native) =="
	@$(MAKE) --no-print-directory native
	ctest --preset native -j $(JOBS)
	@echo "== Windows builds =="
	@$(MAKE) --no-print-directory win64 win32
	@echo "== end-to-end tests of the x64 and x86 exes under Wine, side by side, and the checks of both exes' files =="
	scripts/e2e.sh
	@# Timing-sensitive: alone, after the rest.
	@echo "== benchmarks, quick mode: one repetition, no goals checked =="
	python3 bench/run_bench.py --quick

run: bootstrap
	@$(MAKE) --no-print-directory win64
	scripts/run.sh

bench: bootstrap
	@$(MAKE) --no-print-directory win64 win32
	python3 bench/run_bench.py

# BUILD=x86 soaks the 32-bit exe under 32-bit Wine.
BUILD ?= x64
soak: bootstrap
	@$(MAKE) --no-print-directory win64 $(if $(filter x86,$(BUILD)),win32)
	python3 tests/e2e/soak.py --build $(BUILD)

dist: bootstrap
	scripts/dist.sh

clean:
	rm -rf build dist

bootstrap:
	@scripts/bootstrap.sh

win64 win32 native:
	cmake --preset $@
	cmake --build --preset $@ -j $(JOBS)
