# irstore: `make run` builds and runs the main job on the default SQLite
# repository; `make test` builds and runs every test.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
IRSTORE := $(BUILD)/tools/irstore/irstore

# What building and testing need on a Debian machine.
PACKAGES := g++ make cmake ninja-build pkg-config libsqlite3-dev libssl-dev \
            libgtest-dev libgmock-dev omniidl omniorb-idl python3

.PHONY: all deps configure build run test install clean

all: build

deps:
	@scripts/ensure-packages $(PACKAGES)

configure: deps
	@[ -f $(BUILD)/build.ninja ] || \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: create the default repository if it does not exist, load
# the example IDL and the OMG naming and event service IDL into it (a second
# run changes nothing), and ask it a few questions.
OMG_IDL := /usr/share/idl/omniORB
run: build
	$(IRSTORE) init
	$(IRSTORE) info
	$(IRSTORE) load examples/*.idl
	$(IRSTORE) load -I $(OMG_IDL) -I $(OMG_IDL)/COS $(OMG_IDL)/COS/CosNaming.idl \
	  $(OMG_IDL)/COS/CosEventChannelAdmin.idl
	$(IRSTORE) ls
	$(IRSTORE) bases -r ::Bank::Retail::Savings
	$(IRSTORE) show ::CosNaming::NamingContext::bind
	$(IRSTORE) refs ::CosEventChannelAdmin::AlreadyConnected
	$(IRSTORE) rm --dry-run ::Finance::Amount
	$(IRSTORE) stats

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	rm -rf $(BUILD)
