# irstore: `make run` builds and runs the main job on the default SQLite
# repository; `make test` builds and runs every test.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
IRSTORE := $(BUILD)/tools/irstore/irstore

# What building and testing need on a Debian machine.
PACKAGES := g++ make cmake ninja-build pkg-config libsqlite3-dev libssl-dev \
            libgtest-dev libgmock-dev

.PHONY: all deps configure build run test install clean

all: build

deps:
	@scripts/ensure-packages $(PACKAGES)

configure: deps
	@[ -f $(BUILD)/build.ninja ] || \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: create the default repository if it does not exist, then
# open it through the store.
run: build
	$(IRSTORE) init
	$(IRSTORE) info

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	rm -rf $(BUILD)
