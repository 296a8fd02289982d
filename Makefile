# The two commands of the project: `make run` and `make test`.
# Both install what is missing on a Debian machine, then configure and build with CMake.
BUILD ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) $(if $(GENERATOR),-G Ninja,)

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# Opens the window on "datphone" in the directory make was started from.
run: build
	@$(BUILD)/src/zarvoth

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# Times the actions on address books of up to 32,767 contacts; see README.
bench: configure
	@cmake --build $(BUILD) -j $(JOBS) --target zarvoth_bench
	@$(BUILD)/bench/zarvoth_bench

clean:
	rm -rf $(BUILD)
