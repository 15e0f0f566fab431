# The two entry points: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
# ccache, where installed, makes rebuilds after small changes quick; nothing needs it.
CMAKE_GEN  += $(shell command -v ccache >/dev/null 2>&1 && echo -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)

TSAN_BUILD   ?= build-tsan
FUZZ_BUILD   ?= build-fuzz
FUZZ_SECONDS ?= 600

.PHONY: run test deps build build-asan test-release test-asan test-tsan format format-check bench clean fuzz

deps:
	@bash scripts/install-deps.sh

# The Release tree; with BENCH=ON it builds the benchmarks too (`make test` and `make bench` ask for them).
BENCH ?= OFF
build: deps
	@cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DPICURA_BENCH=$(BENCH) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

build-asan: deps
	@cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DPICURA_SANITIZE=ON \
	    -DPICURA_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)

# Starts Picura on the current display (under a virtual X server when there is none).
run: build
	@if [ -n "$$DISPLAY" ]; then $(BUILD)/picura; \
	 else echo "No DISPLAY: starting Picura under xvfb-run"; xvfb-run -a -s '-screen 0 1280x1024x24' $(BUILD)/picura; fi

# The benchmarks must keep compiling: they are built in the same pass as the tests.
test-release: BENCH = ON
test-release: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 ctest --output-on-failure -j $(JOBS) -LE e2e

test: test-release test-asan

bench: BENCH = ON
bench: build
	@for b in $(BUILD)/bench/picura_bench_*; do [ -x "$$b" ] && "$$b"; done

# Every test but the end-to-end and X11 ones (they start xdotool and xclip, and the way Qt starts a process
# trips the sanitizer's runtime) under ThreadSanitizer, built with clang in its own folder. Not part of
# `make test`. Qt, GStreamer and GLib are not built with it, so races it reports inside their own threads
# are left out (tests/tsan.supp).
test-tsan: deps
	@CC=clang CXX=clang++ cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICURA_TSAN=ON \
	    -DPICURA_BENCH=OFF >/dev/null
	@cmake --build $(TSAN_BUILD) -j $(JOBS)
	@cd $(TSAN_BUILD) && TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/tsan.supp" \
	    ctest --output-on-failure -j $(JOBS) -LE 'e2e|x11'

# libFuzzer targets (decoders, settings file, task file) built with clang in their own folder, each run
# for FUZZ_SECONDS in turn: `make fuzz FUZZ_SECONDS=600`. Not part of `make test`.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPICURA_FUZZ=ON \
	    -DPICURA_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target picura_fuzz_decode picura_fuzz_settings picura_fuzz_taskfile picura_fuzz_xlsx
	@bash fuzz/run.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails when a tracked source file is not formatted as .clang-format says (CI runs it before the tests).
format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
