# Kestro: the two commands a user needs are `make run` and `make test`.
# getconf, not nproc: macOS has no nproc.
JOBS ?= $(shell getconf _NPROCESSORS_ONLN 2>/dev/null || echo 2)
BUILD ?= build
# A compiler cache, when the machine has one, makes rebuilds after a branch switch cheap.
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache,)
# Paths relative to the checkout, so that a fresh clone (CI's) reuses what another one compiled.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1
# The tests' and the app's precompiled headers (KESTRO_PCH) are cached only with these.
export CCACHE_SLOPPINESS ?= pch_defines,time_macros,include_file_mtime,include_file_ctime
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
PORTABILITY_BUILD ?= build-portability
CLI := $(BUILD)/src/cli/kestro-cli
# The optimised builds made from here carry line tables and function names (-g1: enough for a
# backtrace) but not the descriptions of every variable that -g adds, which cost GCC 12 about a
# quarter more time per file; a build for the debugger is configured by hand.
OPT_FLAGS := -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
	-DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
# The builds made from here compile their files eight to a unit: the heavy headers (the command
# line parser, the JSON library, the standard library) are then read once per eight files, which
# halves the CPU a first build costs. check-portability still compiles every file alone, so a
# file that only compiles thanks to its neighbours' includes is caught there.
UNITY := -DCMAKE_UNITY_BUILD=ON
# Warnings are errors in every build made from here; a packager's plain cmake build keeps them
# warnings.
WERROR := -DKESTRO_WERROR=ON
UNAME ?= $(shell uname -s)
# LeakSanitizer exists on Linux only; asking for it elsewhere aborts every sanitized program.
LEAKS := $(if $(filter Linux,$(UNAME)),detect_leaks=1,detect_leaks=0)
# The sanitized build is also the clang build (GCC builds the normal one): clang-14 and later.
# On macOS Homebrew's llvm is preferred when installed: Apple's clang has no libFuzzer (the fuzz
# targets then only replay their corpus).
ifeq ($(UNAME),Darwin)
BREW_LLVM := $(shell brew --prefix llvm 2>/dev/null)
HOMEBREW_CLANG := $(if $(wildcard $(BREW_LLVM)/bin/clang++),$(BREW_LLVM)/bin/clang,)
endif
CLANG_CC ?= $(or $(HOMEBREW_CLANG),$(shell command -v clang 2>/dev/null),cc)
CLANG_CXX ?= $(if $(HOMEBREW_CLANG),$(HOMEBREW_CLANG)++,$(or $(shell command -v clang++ 2>/dev/null),c++))
FUZZ_SECONDS ?= 60
# The short run of every fuzz target in `make test`, so that a change breaking one is caught;
# `make fuzz` runs them for longer.
SMOKE_FUZZ_SECONDS ?= 5

LOGS := $(BUILD)/logs
STEP := scripts/step
PREFIX ?= /usr/local

.PHONY: all deps deps-run configure configure-run build run install test test-fast test-core \
	test-asan lint fuzz fuzz-smoke check-portability check-stacks app bench frames-sheet sample \
	screenshot \
	clean

all: build

# Everything building, testing and installing need; `deps-run` only what `make run` needs.
deps:
	@scripts/install-deps test
deps-run:
	@scripts/install-deps run

# Each step prints one line; its full output is kept under $(LOGS) and shown only on failure.
# The whole build: the window, the tests, the benchmarks and the packaging.
configure: deps
	@$(STEP) "configuring $(BUILD)" $(LOGS)/configure.log \
		cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(OPT_FLAGS) $(UNITY) $(WERROR) \
		$(LAUNCHER) -DKESTRO_BUILD_APP=ON -DKESTRO_BUILD_TESTS=ON -DKESTRO_BUILD_BENCH=ON \
		-DKESTRO_PACKAGING=ON

# `make run` needs the command line and the frames only. A build folder configured already (by
# `make build` or `make test`) is used as it is; a new one leaves out what `make run` does not use,
# and `make build` adds it later.
configure-run: deps-run
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  $(STEP) "configuring $(BUILD) for the command line" $(LOGS)/configure.log \
	    cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(OPT_FLAGS) $(UNITY) $(WERROR) \
	    $(LAUNCHER) -DKESTRO_BUILD_APP=OFF -DKESTRO_BUILD_TESTS=OFF -DKESTRO_BUILD_BENCH=OFF \
	    -DKESTRO_PACKAGING=OFF; \
	fi

build: configure
	@$(STEP) "building (log: $(LOGS)/build.log)" $(LOGS)/build.log cmake --build $(BUILD) -j$(JOBS)

# Installs the programs, frames, desktop entry, icon, AppStream metadata and manual page.
install: build
	@$(STEP) "installing into $(PREFIX)" $(LOGS)/install.log cmake --install $(BUILD) --prefix $(PREFIX)

# The main job, headless: frame the bundled sample recording into the default frame.
DEMO_SAMPLE ?= resources/samples/kestro-sample.mp4
DEMO_FRAME ?= Frames/iphone16pro_black_titanium_portrait

run: configure-run
	@$(STEP) "building kestro-cli and the frames (log: $(LOGS)/build-run.log)" $(LOGS)/build-run.log \
		cmake --build $(BUILD) -j$(JOBS) --target kestro-cli kestro_frames
	@mkdir -p out
	@$(STEP) "exporting out/kestro-demo.mp4" $(LOGS)/demo-mp4.log \
		$(CLI) export $(DEMO_SAMPLE) -o out/kestro-demo.mp4 --frame $(DEMO_FRAME) --background white

test: lint test-fast test-asan check-portability

lint:
	@scripts/lint-platform

# The command line's, the window's and the install's tests, with only what they need built; the
# core's run once, under the sanitizers, in test-asan (`make test-core` builds and runs them here).
# The core's test programs are then not built, so ctest picks the other tests by their labels.
test-fast: configure
	@$(STEP) "building the command line's, window's and install's tests (log: $(LOGS)/build-tests.log)" \
		$(LOGS)/build-tests.log cmake --build $(BUILD) -j$(JOBS) --target kestro_fast_tests
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -L '^(cli|app|install)$$'

test-core: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS) -L core

# The core under AddressSanitizer and UndefinedBehaviorSanitizer, built by clang with the fuzz
# targets beside it; any report fails the run. Then every fuzz target runs briefly.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) $(LAUNCHER) $(WERROR) $(UNITY) -DCMAKE_BUILD_TYPE=Debug \
		-DCMAKE_C_COMPILER=$(CLANG_CC) -DCMAKE_CXX_COMPILER=$(CLANG_CXX) \
		-DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DKESTRO_SANITIZE=ON -DKESTRO_FUZZ=ON \
		-DKESTRO_BUILD_APP=OFF -DKESTRO_BUILD_BENCH=OFF -DKESTRO_BUILD_CLI=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=$(LEAKS):abort_on_error=1 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest -L core --output-on-failure -j$(JOBS)
	KESTRO_FUZZ_JOBS=$(JOBS) scripts/run-fuzzers $(ASAN_BUILD) $(SMOKE_FUZZ_SECONDS)

# Every fuzz target for FUZZ_SECONDS each, one after the other, over the seed corpus made at
# build time; what they find lands in $(FUZZ_BUILD)/fuzz-findings.
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) $(LAUNCHER) $(WERROR) $(UNITY) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_C_COMPILER=$(CLANG_CC) -DCMAKE_CXX_COMPILER=$(CLANG_CXX) \
		-DKESTRO_FUZZ=ON -DKESTRO_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS)
	scripts/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The Qt-free code and its tests compiled by clang 16 against libc++ (the standard library macOS
# has), warnings as errors, and the platform file's plain POSIX branch. Compiled, not linked:
# the system's FFmpeg and GoogleTest are built for libstdc++.
# Skipped on macOS, where libc++ is the standard library every build already uses.
check-portability: deps
ifeq ($(UNAME),Darwin)
	@echo "kestro: check-portability skipped: macOS builds with libc++ already"
else
	@scripts/check-portability $(PORTABILITY_BUILD)
endif

# The whole build and test suite on a newer Debian, in a chroot made with mmdebstrap and kept
# under build-stacks/ (as root): STACK=trixie (Debian 13) or sid; PART=core leaves out the app.
STACK ?= trixie
PART ?= all
check-stacks:
	@scripts/check-stacks $(STACK) $(PART)

# One contact sheet of every shipped frame, for looking at the whole set.
frames-sheet: configure
	@cmake --build $(BUILD) -j$(JOBS) --target kestro_frames
	$(BUILD)/tools/framegen/framegen --sheet $(BUILD)/frames-sheet.png --in $(BUILD)/resources/Frames

# Regenerates the bundled sample recording.
sample: configure
	@cmake --build $(BUILD) -j$(JOBS) --target samplegen
	$(BUILD)/tools/samplegen/samplegen --out resources/samples/kestro-sample.mp4

SAMPLE := resources/samples/kestro-sample.mp4
# On macOS the window program is the app bundle's.
APP := $(if $(filter Darwin,$(UNAME)),$(BUILD)/src/app/Kestro.app/Contents/MacOS/Kestro,$(BUILD)/src/app/kestro)

# The editor window, with the bundled sample recording loaded when it is there.
app: build
	$(APP) $(wildcard $(SAMPLE))

# The window under a virtual display with the sample and a frame loaded, on a laptop screen
# (1366x768) and a desktop one (1920x1080), written to $(SHOTS): at rest in both appearances,
# mid-export (an export of the sample into a scratch folder) and after a failed export, plus the
# laptop without any capture tool and the first start (nothing loaded). Each run has its own
# settings folder, so the user's preferences are neither read nor changed.
SHOTS := $(BUILD)/screenshots
SHOT_SIZES := 1366x768 1920x1080
# name:flags (comma-separated). "frameless" chooses no frame; "recording-failure" records from a
# stand-in simulator that writes no movie.
SHOT_KINDS := rest:--frame=auto frameless: \
	mp4-transparent:--frame=auto,--screenshot-transparent-mp4 \
	canvas:--frame=auto,--screenshot-canvas \
	taps:--frame=auto,--screenshot-taps \
	recording-failure:--frame=auto,--screenshot-recording-failure \
	export:--frame=auto,--screenshot-mid-export \
	export-failure:--frame=auto,--screenshot-export-failure \
	appstore:--frame=auto,--screenshot-app-store
SHOT_XCRUN := $(CURDIR)/tests/fixtures/fake-xcrun
screenshot: configure
	@cmake --build $(BUILD) -j$(JOBS) --target kestro kestro_frames
	@mkdir -p $(SHOTS)
	@printf '== Devices ==\n-- iOS 17.5 --\n    iPhone 15 (11111111-2222-3333-4444-555555555555) (Booted) \n' \
	  > $(SHOTS)/simulators.txt
	@for size in $(SHOT_SIZES); do \
	  for kind in $(SHOT_KINDS); do \
	    for look in light dark; do \
	      name=$$(echo $$kind | cut -d: -f1); \
	      flags=$$(echo $$kind | cut -d: -f2 | tr ',' ' '); \
	      [ $$look = dark ] && flags="$$flags --dark"; \
	      tools=; \
	      [ $$name = recording-failure ] && tools="KESTRO_XCRUN=$(SHOT_XCRUN) FAKE_XCRUN_MODE=no-file \
	        FAKE_XCRUN_LISTING=$(SHOTS)/simulators.txt KESTRO_ADB=/nonexistent/adb"; \
	      env XDG_CONFIG_HOME=$(BUILD)/screenshot-config/$$size-$$name-$$look $$tools \
	        xvfb-run -a -s "-screen 0 $${size}x24" $(APP) $$flags \
	        --screenshot $(SHOTS)/$$size-$$name-$$look.png $(wildcard $(SAMPLE)) || exit 1; \
	    done; \
	  done; \
	done
	@# A laptop with no capture tool at all: the recording card stays compact.
	@XDG_CONFIG_HOME=$(BUILD)/screenshot-config/no-capture-tools KESTRO_ADB=/nonexistent/adb \
	  KESTRO_XCRUN=/nonexistent/xcrun xvfb-run -a -s "-screen 0 1366x768x24" $(APP) --frame auto \
	  --screenshot $(SHOTS)/1366x768-no-capture-tools-light.png $(wildcard $(SAMPLE))
	@# The first start: no movie, no frame, the empty-state card.
	@XDG_CONFIG_HOME=$(BUILD)/screenshot-config/first-start xvfb-run -a -s "-screen 0 1366x768x24" \
	  $(APP) --screenshot $(SHOTS)/1366x768-first-start-light.png

# Kestro's export against the equivalent ffmpeg command line; inputs are generated once.
bench: build
	$(BUILD)/bench/export_bench
	$(BUILD)/bench/render_bench
	$(BUILD)/bench/playback/playback_bench
	QT_QPA_PLATFORM=offscreen $(BUILD)/bench/ui_latency/ui_latency_bench $(SAMPLE)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(PORTABILITY_BUILD) out
