# Front door. `make` builds the host preset, `make run` starts the simulator
# (a window where there is a display, otherwise the headless tour into out/),
# `make test` runs every test, the host's and then the board build's:
# `make arm` builds the static ARMv4T board binary, `make arm-tests` the unit
# tests as ARM binaries; both run under qemu-arm.
JOBS ?= $(shell nproc)
SIM := build/host/bin/ipslide-sim
# What make run and make tour start: optimised, no sanitizers (the tests keep them).
RUN_SIM := build/release/bin/ipslide-sim

.PHONY: all deps configure build arm arm-tests run-build run tour test golden clean bench bench-host \
	unsigned-char fuzz soak

all: build

deps:
	@tools/setup-deps

configure: deps
	@cmake --preset host >/dev/null

build: configure
	@cmake --build --preset host -j $(JOBS)

# The board build: the ARMv4T runtime (musl, FreeType, libgcc; built once from
# Debian's packages, cached in build/v4t-runtime), then the arm preset.
arm: deps
	@tools/make-v4t-runtime
	@cmake --preset arm >/dev/null
	@cmake --build --preset arm -j $(JOBS)

# The unit tests as static ARM binaries on Debian's armel glibc and FreeType:
# GoogleTest needs a C++ library, which the board's runtime does not have.
arm-tests: deps
	@tools/make-arm-sysroot
	@cmake --preset arm-tests >/dev/null
	@cmake --build --preset arm-tests -j $(JOBS)

# The simulator a person runs: optimised and without the sanitizers.
run-build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target ipslide-sim -j $(JOBS) -- --no-print-directory

run: run-build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		$(RUN_SIM) --out out; \
	else \
		echo "No display: running the headless tour (tests/scenarios/tour.scenario)"; \
		$(RUN_SIM) --headless --script tests/scenarios/tour.scenario --out out && \
		echo "In $(CURDIR)/out/: the stills tour-*.png, the animation tour.png," \
		     "the fanfare victory.wav and the application's log app.log"; \
	fi

# The tour: in the window where there is a display, else headless like make run.
tour: run-build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		$(RUN_SIM) --script tests/scenarios/tour.scenario --out out; \
	else \
		$(RUN_SIM) --headless --script tests/scenarios/tour.scenario --out out; \
	fi

test: build
	@ctest --preset host -j $(JOBS)
	@$(MAKE) --no-print-directory unsigned-char
	@$(MAKE) --no-print-directory fuzz SECONDS=60
	@$(MAKE) --no-print-directory arm
	@tools/check-arm-binary build/arm
	@ctest --preset arm -j $(JOBS)
	@$(MAKE) --no-print-directory arm-tests
	@ctest --preset arm-tests -j $(JOBS)
	@/usr/bin/python3 -m unittest discover -v -s tests/board_vm -p 'test_*.py'
	@tools/soak-board $(SIM) 1
	@$(MAKE) --no-print-directory run-build
	@$(RUN_SIM) --headless --script tests/scenarios/tour.scenario --out build/tour >/dev/null
	@echo "make run's build plays the headless tour: build/tour/"

# The board in a box: the board binary on Debian's armmp kernel under QEMU
# (ipslide-sim --board qemu) plays board-vm/tour.scenario into out/board/.
.PHONY: board soak-board
board: arm build
	@$(SIM) --headless --board qemu --script board-vm/tour.scenario --out out/board

# The mini2440 kernel from Debian's Linux 6.1 source with our patch and fragment
# (deploy/buildroot/board/mini2440/), built with Debian's arm-linux-gnueabi-gcc
# and checked from its own outputs; cached in build/board-kernel. Not part of
# make test: a 140 MB download and some ten minutes of compiling.
.PHONY: board-kernel
board-kernel: deps
	@tools/make-board-kernel

# The QEMU board used for MINUTES: taps, restarts, cable flaps and lease
# renewals, with its memory, descriptors, clients and zombies checked.
soak-board: arm build
	@tools/soak-board $(SIM) $(MINUTES)

# The host's unit tests once more with plain char unsigned, as the board's ABI has it.
unsigned-char: deps
	@cmake --preset host-unsigned-char >/dev/null
	@cmake --build --preset host-unsigned-char -j $(JOBS)
	@ctest --preset host-unsigned-char -j $(JOBS)

# Every libFuzzer target for SECONDS (clang, ASan + UBSan; build/fuzz keeps the
# corpora, fuzz-summary.txt the counts, fuzz-crashes/ what was found).
SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target fuzz_font_atlas fuzz_touch_events \
		fuzz_address_scene fuzz_font_name
	@tools/run-fuzz build/fuzz $(SECONDS)

# Simulated use for MINUTES on the counting simulator (make test soaks a minute).
MINUTES ?= 10
soak: build
	@IPSLIDE_SOAK_SECONDS=$$(( $(MINUTES) * 60 )) build/host/bin/test_sim_end_to_end \
		--gtest_filter='Soak.*'

# Regenerates every golden frame in tests/golden/ after an intended change to what
# the scenes draw; look at each picture before committing it.
golden: configure
	@cmake --build --preset host --target ipslide-sim -j $(JOBS)
	@tools/make-golden $(SIM)

# docs/performance.md and its chart: ARM instructions per frame of the board
# build counted under qemu-arm's ARMv4T CPU (twice, the counts must agree), the
# binary's size, and the simulator's frame rates, touch latency, start-up and
# memory (optimised build; a few minutes).
bench: deps
	@tools/make-v4t-runtime
	@cmake --preset arm >/dev/null
	@cmake --build --preset arm --target ipslide frame_bench -j $(JOBS)
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target ipslide-sim -j $(JOBS) -- --no-print-directory
	@tools/bench build/arm build/release/bin/ipslide-sim

# Google Benchmark of the drawing routines and scene renders on the PC (optimised).
bench-host: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target host_bench -j $(JOBS)
	@build/release/bin/host_bench

clean:
	rm -rf build out
