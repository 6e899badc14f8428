# irstore: `make run` builds and runs the main job on the default SQLite
# repository; `make test` builds and runs every test, on SQLite and on
# PostgreSQL.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
# Warnings are errors where we choose: `make test` (WERROR=ON), the
# sanitized builds and CI. Unset, a build keeps what it was configured with
# (off in a new one).
WERROR ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
IRSTORE := $(BUILD)/tools/irstore/irstore

# What building and testing need on a Debian machine.
PACKAGES := g++ make cmake ninja-build pkg-config libsqlite3-dev libpq-dev libssl-dev \
            libgtest-dev libgmock-dev omniidl omniorb-idl libomniorb4-dev python3

.PHONY: all deps configure build run test install clean bench check-asan check-tsan check-builds fuzz

all: build

deps:
	@scripts/ensure-packages $(PACKAGES)

# The build directory is configured again whenever BUILD_TYPE, WERROR or
# CMAKE_FLAGS differ from what it was last configured with (kept in
# $(BUILD)/.make-configuration). A flag dropped from CMAKE_FLAGS keeps its
# cached value: `make clean` starts afresh.
CONFIGURATION = $(strip -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(if $(WERROR),-DIRSTORE_WERROR=$(WERROR)) $(CMAKE_FLAGS))
configure: deps
	@if [ ! -f $(BUILD)/build.ninja ] || \
	    [ "$$(cat $(BUILD)/.make-configuration 2>/dev/null)" != '$(CONFIGURATION)' ]; then \
	  cmake -S . -B $(BUILD) -G Ninja $(CONFIGURATION) && \
	  echo '$(CONFIGURATION)' > $(BUILD)/.make-configuration; \
	fi

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: create the default repository if it does not exist, load
# the example IDL, the OMG naming and event service IDL and the Interface
# Repository's own into it (a second run changes nothing), ask it a few
# questions, then serve it over IIOP and ask the server a few more. It
# builds only what it runs: the tool, the server, the example client and
# their libraries.
OMG_IDL := /usr/share/idl/omniORB
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target irstore irstore-serve irstore-ir-client
	$(IRSTORE) init --with-ir-idl
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
	@scripts/serve-demo $(BUILD)

# Every test twice: on SQLite, and on a throw-away PostgreSQL server that
# scripts/test-engines starts (package postgresql; installed when run as root).
test: WERROR = ON
test: build
	@scripts/test-engines $(BUILD) $(JOBS)

# The benchmark: the store against its own statements on the bare engine and
# against in-memory maps (bench/results/latest.{csv,md,png}).
bench: build
	@scripts/ensure-packages gnuplot-nox
	@scripts/bench $(BUILD) --out bench/results $(BENCH_FLAGS)

# The whole suite with AddressSanitizer and UndefinedBehaviorSanitizer, and
# the tests of threads and processes with ThreadSanitizer, each in a build
# of its own.
CONCURRENCY_TESTS := Sync|Thread|Event|Mutex|Cache|Session|Lifecycle|Load|Durability|FaultInjection|StoreLock
check-asan: deps
	@[ -f build-asan/build.ninja ] || cmake -S . -B build-asan -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIRSTORE_SANITIZE=address -DIRSTORE_WERROR=ON
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS) -E Install
check-tsan: deps
	@[ -f build-tsan/build.ninja ] || cmake -S . -B build-tsan -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIRSTORE_SANITIZE=thread -DIRSTORE_WERROR=ON
	cmake --build build-tsan -j $(JOBS) --target orb_tests ir_tests tarn_tests id_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -R '$(CONCURRENCY_TESTS)'

# The libraries and the tool (no tests) built as a user would, once with
# GCC and once with clang, both of the Release type and with warnings as
# errors, so that neither breaks unnoticed.
check-builds: deps
	@scripts/ensure-packages clang
	@[ -f build-release-gcc/build.ninja ] || CC=gcc CXX=g++ cmake -S . -B build-release-gcc -G Ninja \
	  -DCMAKE_BUILD_TYPE=Release -DIRSTORE_WERROR=ON -DIRSTORE_BUILD_TESTS=OFF
	cmake --build build-release-gcc -j $(JOBS) --target irstore
	@[ -f build-release-clang/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B build-release-clang -G Ninja \
	  -DCMAKE_BUILD_TYPE=Release -DIRSTORE_WERROR=ON -DIRSTORE_BUILD_TESTS=OFF
	cmake --build build-release-clang -j $(JOBS) --target irstore

# libFuzzer targets (clang), each for FUZZ_SECONDS on its corpus in fuzz/.
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/ensure-packages clang
	@[ -f build-fuzz/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIRSTORE_FUZZ=ON -DIRSTORE_SANITIZE=address -DIRSTORE_BUILD_TESTS=OFF \
	  -DIRSTORE_WERROR=ON
	cmake --build build-fuzz -j $(JOBS) --target stream_text_fuzzer ir_state_fuzzer statement_text_fuzzer idl_records_fuzzer
	@scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz build-release-gcc build-release-clang
