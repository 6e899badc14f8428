// The wide container: one module holding as many structs as the run's size,
// and `contents` of it, whose answer grows with the module. It runs apart
// from the synthetic repository, in processes of its own, so that its large
// answers count in no other run's peak memory.
#include "runs.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "statement_log.h"
#include "store_calls.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kWideModule = "IDL:bench/Wide:1.0";

std::string member_repid(int i) { return "IDL:bench/Wide/S" + std::to_string(i) + ":1.0"; }

// A member with state like a small struct of real IDL.
Ref<CORBA_StructDef_Impl> make_member(int i) {
  Ref<CORBA_StructDef_Impl> member(
      new CORBA_StructDef_Impl(("S" + std::to_string(i)).c_str(), member_repid(i).c_str()));
  member->members = {{"id", {"unsigned long long", {}}}, {"label", {"string", {}}}, {"weight", {"double", {}}}};
  return member;
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int wide_repetitions(int members) { return members >= 20000 ? 1 : 20000 / members; }

void run_store_wide(int members, const char* alias, const std::string& log_path, RunResults& results) {
  IRDB store(alias);
  StatementLogWriter log(log_path);
  log.start();
  log.set_workload(Workload::kSetup);
  create(store, *Ref<CORBA_Repository_Impl>(new CORBA_Repository_Impl()));
  create(store, *Ref<CORBA_ModuleDef_Impl>(new CORBA_ModuleDef_Impl("Wide", kWideModule)));
  store.add_to_bucket(handle(kWideModule).get(), handle(CORBA_Repository_Impl::kRepositoryId).get());
  for (int first = 0; first < members; first += 1000) {
    store.beginUserTransaction();
    for (int i = first; i < std::min(members, first + 1000); ++i) {
      create(store, *make_member(i));
      store.add_to_bucket(handle(member_repid(i)).get(), handle(kWideModule).get());
    }
    store.endUserTransaction();
  }

  int repetitions = wide_repetitions(members);
  StoreMeter meter;
  for (int r = 0; r < repetitions; ++r) {
    std::unique_ptr<StoreHandle> container = handle(kWideModule);
    log.set_workload(Workload::kContentsWide);
    meter.time([&] { delete store.contents(container.get(), CORBA::dk_all, 1, -1); });
    log.set_workload(Workload::kSetup);
  }
  results.add(Workload::kContentsWide, meter.seconds, repetitions, meter.round_trips);
  log.stop();
}

void run_memory_wide(int members, RunResults& results) {
  // The module's members as a list, and each member's state as bytes.
  std::vector<std::vector<unsigned char>> states;
  for (int i = 0; i < members; ++i) {
    EncapIIOP stream(ENCAP_WRITE);
    make_member(i)->object_to_stream(stream);
    unsigned char* bytes;
    unsigned length;
    stream.access_buffer(bytes, length);
    states.emplace_back(bytes, bytes + length);
  }
  int repetitions = wide_repetitions(members);
  auto start = Clock::now();
  for (int r = 0; r < repetitions; ++r) {
    std::vector<Ref<CORBA_Contained_Impl>> answer;
    for (int i = 0; i < members; ++i) {
      std::vector<unsigned char> bytes = states[static_cast<std::size_t>(i)];
      EncapIIOP stream(bytes.data(), static_cast<unsigned>(bytes.size()), ENCAP_READ, 0, 1);
      std::string name = "S" + std::to_string(i), repid = "mem:" + member_repid(i);
      answer.emplace_back(make_object(CORBA::dk_Struct, name.data(), repid.data(), stream));
    }
  }
  results.add(Workload::kContentsWide, seconds_since(start), repetitions);
}
