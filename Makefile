# The two commands of the project: `make run` and `make test`.
# Both install what is missing on a Debian machine, then configure and build with CMake.
# Beside them: `make install` (cmake --install, PREFIX=/usr/local), `make package` (a .deb in
# build/), `make check-desktop` (the desktop checks of CI) and `make screenshots`.
BUILD ?= build
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo "-G Ninja")
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps configure build run test install package check-desktop screenshots clean

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

# docs/zarvoth.png and docs/zarvoth-2x.png, the window at scale 1 and 2.
screenshots: build
	@BUILD=$(BUILD) scripts/take-screenshots

clean:
	rm -rf $(BUILD)
