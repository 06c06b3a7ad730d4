# The project's commands. The recipes only sequence CMake presets and scripts;
# the logic lives in CMakeLists.txt, CMakePresets.json and scripts/.
#
#   make build   the gadget for Windows: build/win64/exitbutton.exe, build/win32/exitbutton.exe
#   make test    unit tests (native), both Windows builds, then the end-to-end tests under Wine
#   make run     the 64-bit gadget under Wine (on $DISPLAY, or headless with a screenshot)
#   make bench   the benchmarks: gadget vs references, one table, build/bench/results.json
#   make soak    the long soak and input storm against the real exe (about an hour)
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
	ctest --preset native
	@echo "== Windows builds =="
	@$(MAKE) --no-print-directory win64 win32
	@echo "== benchmarks, quick mode: one repetition, no goals checked =="
	python3 bench/run_bench.py --quick
	@echo "== end-to-end tests (64-bit exe under Wine) =="
	ctest --preset win64

run: bootstrap
	@$(MAKE) --no-print-directory win64
	scripts/run.sh

bench: bootstrap
	@$(MAKE) --no-print-directory win64 win32
	python3 bench/run_bench.py

soak: bootstrap
	@$(MAKE) --no-print-directory win64
	python3 tests/e2e/soak.py

dist: bootstrap
	scripts/dist.sh

clean:
	rm -rf build dist

bootstrap:
	@scripts/bootstrap.sh

win64 win32 native:
	cmake --preset $@
	cmake --build --preset $@ -j $(JOBS)
