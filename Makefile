# irstore: `make run` builds and runs the main job on the default SQLite
# repository; `make test` builds and runs every test, on SQLite and on
# PostgreSQL.
BUILD ?= build
BUILD_TYPE ?= RelWithDebInfo
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
IRSTORE := $(BUILD)/tools/irstore/irstore

# What building and testing need on a Debian machine.
PACKAGES := g++ make cmake ninja-build pkg-config libsqlite3-dev libpq-dev libssl-dev \
            libgtest-dev libgmock-dev omniidl omniorb-idl libomniorb4-dev python3

.PHONY: all deps configure build run test install clean bench check-asan check-tsan fuzz

all: build

deps:
	@scripts/ensure-packages $(PACKAGES)

configure: deps
	@[ -f $(BUILD)/build.ninja ] || \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=$(BUILD_TYPE) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: create the default repository if it does not exist, load
# the example IDL, the OMG naming and event service IDL and the Interface
# Repository's own into it (a second run changes nothing), ask it a few
# questions, then serve it over IIOP and ask the server a few more.
OMG_IDL := /usr/share/idl/omniORB
run: build
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
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIRSTORE_SANITIZE=address
	cmake --build build-asan -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir build-asan --output-on-failure -j $(JOBS) -E Install
check-tsan: deps
	@[ -f build-tsan/build.ninja ] || cmake -S . -B build-tsan -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIRSTORE_SANITIZE=thread
	cmake --build build-tsan -j $(JOBS) --target orb_tests ir_tests tarn_tests id_tests
	TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
	  ctest --test-dir build-tsan --output-on-failure -j $(JOBS) -R '$(CONCURRENCY_TESTS)'

# libFuzzer targets (clang), each for FUZZ_SECONDS on its corpus in fuzz/.
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/ensure-packages clang
	@[ -f build-fuzz/build.ninja ] || CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIRSTORE_FUZZ=ON -DIRSTORE_SANITIZE=address -DIRSTORE_BUILD_TESTS=OFF
	cmake --build build-fuzz -j $(JOBS) --target stream_text_fuzzer ir_state_fuzzer statement_text_fuzzer idl_records_fuzzer
	@scripts/run-fuzzers build-fuzz $(FUZZ_SECONDS)

install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

clean:
	rm -rf $(BUILD) build-asan build-tsan build-fuzz
