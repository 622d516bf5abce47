# make demo: install what is missing, build what the demo needs, run the whole removal
#            on a seeded installation (LANG=zh_CN.UTF-8 make demo: in Chinese).
# make screenshots: pictures of the tool's windows into build/screenshots/.
# make test: install what is missing, build, run every test under Wine.
# make dist: the stripped program, the README (with its pictures) and their SHA-256 sums in build/dist/.
# make bench: install what is missing, build, time the removal and the tool (docs/benchmarks.md).
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release
CTEST_FLAGS ?= --output-on-failure -j2
# Builds quietly: the compiler's output is shown only when the build fails.
QUIET_BUILD = mkdir -p $(BUILD) && { { [ -f $(BUILD)/CMakeCache.txt ] || cmake -S . -B $(BUILD) $(CMAKE_FLAGS); } && \
	cmake --build $(BUILD) -j2 --target $(1); } >$(BUILD)/make-$(1).log 2>&1 || { cat $(BUILD)/make-$(1).log; exit 1; }

.PHONY: all setup build test demo screenshots dist bench clean

all: build

setup:
	@bash tools/setup.sh

build: setup
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j2

test: build
	@cd $(BUILD) && ctest $(CTEST_FLAGS)

demo: setup
	@echo "Building the tool and the demo's driver..."
	@$(call QUIET_BUILD,demo_programs)
	@bash tools/demo.sh run $(BUILD)

screenshots: setup
	@$(call QUIET_BUILD,demo_programs)
	@bash tools/demo.sh shots $(BUILD)

dist: setup
	@$(call QUIET_BUILD,TolmUnload)
	@rm -rf $(BUILD)/dist && mkdir -p $(BUILD)/dist
	@mkdir -p $(BUILD)/dist/docs && cp docs/*.png $(BUILD)/dist/docs/
	@cp $(BUILD)/TolmUnload.exe README.md $(BUILD)/dist/
	@cd $(BUILD)/dist && sha256sum TolmUnload.exe README.md docs/*.png > SHA256SUMS
	@ls -l $(BUILD)/dist && cat $(BUILD)/dist/SHA256SUMS

bench: build
	@cmake --build $(BUILD) -j2 --target bench_programs
	@bash tools/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
