# make test: install what is missing, build, run every test under Wine.
# make demo: install what is missing, build, show the tool's main window.
# make bench: install what is missing, build, time the removal and the tool (docs/benchmarks.md).
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
CTEST_FLAGS ?= --output-on-failure -j2

.PHONY: all setup build test demo bench clean

all: build

setup:
	@bash tools/setup.sh

build: setup
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j2

test: build
	@cd $(BUILD) && ctest $(CTEST_FLAGS)

demo: build
	@bash tools/demo.sh $(BUILD)

bench: build
	@cmake --build $(BUILD) -j2 --target bench_programs
	@bash tools/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
