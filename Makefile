# The two commands of the project: `make run` and `make test`.
# Both install what is missing on a Debian machine, then configure and build with CMake.
# Beside them: `make install` (cmake --install, PREFIX=/usr/local), `make package` (a .deb in
# build/), `make check-desktop` (the desktop checks of CI) and `make screenshots`.
# `make check-telephone` places real calls over loopback (SIPp and baresip).
BUILD ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
# ccache, where it is installed, shares compiled objects between build folders and checkouts.
LAUNCHER := $(shell command -v ccache >/dev/null 2>&1 && echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")

.PHONY: all deps configure build run test test-sanitize test-random fuzz bench install package check-desktop check-telephone check-sync screenshots clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(if $(GENERATOR),-G Ninja,) $(LAUNCHER)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Opens the window on "datphone" in the directory make was started from.
run: build
	@$(BUILD)/src/zarvoth

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# The whole suite again, built with AddressSanitizer and UndefinedBehaviorSanitizer; the
# random-use suite runs fewer actions there, the sanitizers making each one slower.
SANITIZE_RANDOM_ACTIONS ?= 10000
test-sanitize: deps
	@test -f build-sanitize/CMakeCache.txt || cmake -S . -B build-sanitize $(if $(GENERATOR),-G Ninja,) $(LAUNCHER) -DZARVOTH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
	@cmake --build build-sanitize -j $(JOBS)
	@cd build-sanitize && ZARVOTH_RANDOM_ACTIONS=$(SANITIZE_RANDOM_ACTIONS) \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan-suppressions \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# A long run of the random-use suite: RANDOM_ACTIONS actions (default 200,000) from the seed
# RANDOM_SEED (default: taken from the clock and printed, so a failure can be run again).
RANDOM_ACTIONS ?= 200000
RANDOM_SEED ?= $(shell date +%s%N)
test-random: build
	@cd $(BUILD)/tests && QT_QPA_PLATFORM=offscreen QT_FONT_DPI=96 \
	  ZARVOTH_RANDOM_ACTIONS=$(RANDOM_ACTIONS) ZARVOTH_RANDOM_SEED=$(RANDOM_SEED) \
	  ./tst_random_use

# Fuzzes record decoding and the listing path, the vCard reader, the CSV reader, then the
# CardDAV multistatus reader, for FUZZ_SECONDS in all (clang's libFuzzer), a quarter each.
FUZZ_SECONDS ?= 60
fuzz: deps
	@test -f build-fuzz/CMakeCache.txt || cmake -S . -B build-fuzz $(if $(GENERATOR),-G Ninja,) $(LAUNCHER) -DCMAKE_CXX_COMPILER=clang++ -DZARVOTH_FUZZ=ON -DBUILD_TESTING=OFF
	@cmake --build build-fuzz -j $(JOBS) --target fuzz_records fuzz_cards fuzz_csv fuzz_multistatus
	@mkdir -p build-fuzz/corpus build-fuzz/corpus-cards build-fuzz/corpus-csv build-fuzz/corpus-multistatus
	@ASAN_OPTIONS=detect_leaks=0 build-fuzz/fuzz/fuzz_records -max_total_time=$$(( $(FUZZ_SECONDS) / 4 )) -max_len=8256 -print_final_stats=1 $(CURDIR)/build-fuzz/corpus $(CURDIR)/fuzz/seeds
	@build-fuzz/fuzz/fuzz_cards -max_total_time=$$(( ($(FUZZ_SECONDS) + 3) / 4 )) -max_len=4096 -print_final_stats=1 $(CURDIR)/build-fuzz/corpus-cards $(CURDIR)/fuzz/seeds-cards
	@build-fuzz/fuzz/fuzz_csv -max_total_time=$$(( ($(FUZZ_SECONDS) + 2) / 4 )) -max_len=4096 -print_final_stats=1 $(CURDIR)/build-fuzz/corpus-csv $(CURDIR)/fuzz/seeds-csv
	@ASAN_OPTIONS=detect_leaks=0 build-fuzz/fuzz/fuzz_multistatus -max_total_time=$$(( ($(FUZZ_SECONDS) + 1) / 4 )) -max_len=8192 -print_final_stats=1 $(CURDIR)/build-fuzz/corpus-multistatus $(CURDIR)/fuzz/seeds-multistatus

# Times the actions on address books of up to 32,767 contacts, the start of the program beside
# a bare Qt window (on Qt's offscreen platform, and on an X server where Xvfb is installed),
# vCard and CSV import and export, the desktop's search, and syncs with Radicale on loopback;
# see docs/performance.md.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zarvoth zarvoth_bench start_bench exchange_bench search_bench
	@$(BUILD)/bench/zarvoth_bench
	@$(BUILD)/bench/start_bench
	@if command -v xvfb-run >/dev/null 2>&1; then \
	  xvfb-run -a env QT_QPA_PLATFORM=xcb $(BUILD)/bench/start_bench; fi
	@$(BUILD)/bench/exchange_bench
	@$(BUILD)/bench/search_bench
	@/usr/bin/python3 bench/sync_bench.py $(BUILD)/src/zarvoth

PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# zarvoth_<version>_<architecture>.deb in the build folder; dpkg-shlibdeps finds its dependencies.
package: build
	@scripts/install-deps dpkg-dev file
	@cmake --build $(BUILD) --target package

# Menu entry, metainfo, installed files, the .deb, and the program on a real X display.
check-desktop: build
	@BUILD=$(BUILD) scripts/ci-desktop

# Dial on a real X display hands each number to baresip, the tel: handler, which calls a SIPp
# peer on 127.0.0.1; without a handler, a message and no call.
check-telephone: build
	@BUILD=$(BUILD) scripts/check-telephone

# Syncs with Radicale and Xandikos on loopback, vdirsyncer playing the phone, and cuts a sync
# off at every request it makes.
check-sync: build
	@BUILD=$(BUILD) scripts/check-sync

# docs/zarvoth.png and docs/zarvoth-2x.png, the window at scale 1 and 2.
screenshots: build
	@BUILD=$(BUILD) scripts/take-screenshots

clean:
	rm -rf $(BUILD)
