# Kestro: the two commands a user needs are `make run` and `make test`.
JOBS ?= $(shell nproc)
BUILD ?= build
# A compiler cache, when the machine has one, makes rebuilds after a branch switch cheap.
LAUNCHER := $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache,)
ASAN_BUILD ?= build-asan
CLI := $(BUILD)/src/cli/kestro-cli

.PHONY: all deps configure build run test test-fast test-asan app bench frames-sheet sample screenshot clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(LAUNCHER) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The main job, headless: frame the bundled sample recording into the default frame.
DEMO_SAMPLE ?= resources/samples/kestro-sample.mp4
DEMO_FRAME ?= Frames/iphone16pro_black_titanium_portrait

run: build
	@mkdir -p out
	$(CLI) export $(DEMO_SAMPLE) -o out/kestro-demo.mp4 --frame $(DEMO_FRAME) --background white
	$(CLI) export $(DEMO_SAMPLE) -o out/kestro-demo.mov --frame $(DEMO_FRAME) --background transparent

test: test-fast test-asan

test-fast: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The core under AddressSanitizer and UndefinedBehaviorSanitizer; any report fails the run.
test-asan: deps
	@cmake -S . -B $(ASAN_BUILD) $(LAUNCHER) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
		-DKESTRO_SANITIZE=ON -DKESTRO_BUILD_APP=OFF -DKESTRO_BUILD_BENCH=OFF >/dev/null
	@cmake --build $(ASAN_BUILD) -j$(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest -L core --output-on-failure -j$(JOBS)

# One contact sheet of every shipped frame, for looking at the whole set.
frames-sheet: configure
	@cmake --build $(BUILD) -j$(JOBS) --target kestro_frames
	$(BUILD)/tools/framegen/framegen --sheet $(BUILD)/frames-sheet.png --in $(BUILD)/resources/Frames

# Regenerates the bundled sample recording.
sample: configure
	@cmake --build $(BUILD) -j$(JOBS) --target samplegen
	$(BUILD)/tools/samplegen/samplegen --out resources/samples/kestro-sample.mp4

SAMPLE := resources/samples/kestro-sample.mp4
APP := $(BUILD)/src/app/kestro

# The editor window, with the bundled sample recording loaded when it is there.
app: build
	$(APP) $(wildcard $(SAMPLE))

# The window under a virtual display with the sample and a frame loaded, saved to
# $(BUILD)/screenshot.png while an export of the sample runs (into a scratch folder), and the
# dark appearance at rest to $(BUILD)/screenshot-dark.png. Its own settings folder keeps the
# user's preferences out of it.
screenshot: configure
	@cmake --build $(BUILD) -j$(JOBS) --target kestro kestro_frames
	XDG_CONFIG_HOME=$(BUILD)/screenshot-config xvfb-run -a -s "-screen 0 1600x1000x24" \
		$(APP) --frame auto --screenshot $(BUILD)/screenshot.png --screenshot-mid-export \
		$(wildcard $(SAMPLE))
	XDG_CONFIG_HOME=$(BUILD)/screenshot-config-dark xvfb-run -a -s "-screen 0 1600x1000x24" \
		$(APP) --dark --frame auto --screenshot $(BUILD)/screenshot-dark.png $(wildcard $(SAMPLE))

# Kestro's export against the equivalent ffmpeg command line; inputs are generated once.
bench: build
	$(BUILD)/bench/export_bench
	$(BUILD)/bench/playback/playback_bench

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) out
