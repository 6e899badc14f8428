// The process-wide cache of live objects: probes, duplicates, repository id
// changes, and probes racing the release of the last reference.
#include <qelorirm/definitions.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

using namespace irtest;

TEST(ObjectCache, HitIsTheLiveObjectWithANewReference) {
  Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:Hit/M:1.0"));
  encode(*module);
  Ref<CORBA_Contained_Impl> hit(probe("IDL:Hit/M:1.0"));
  EXPECT_EQ(hit.get(), module.get());
  EXPECT_EQ(module->_reference_count(), 2u);
  hit.reset();
  module.reset();
  EXPECT_EQ(probe("IDL:Hit/M:1.0"), nullptr);
  EXPECT_EQ(irobj_get_from_cache(nullptr), nullptr);
}

// Until an object has written or read its state, the classes derived from
// the one that joined the cache may still be under construction: another
// thread must not get it.
TEST(ObjectCache, ObjectShowsOnlyOnceItsStateWentThroughAStream) {
  Ref<CORBA_InterfaceDef_Impl> written(new CORBA_InterfaceDef_Impl("I", "IDL:Show/I:1.0"));
  EXPECT_EQ(probe("IDL:Show/I:1.0"), nullptr);
  const Bytes bytes = encode(*written);
  EXPECT_EQ(cached("IDL:Show/I:1.0"), written.get());

  Ref<CORBA_InterfaceDef_Impl> read(new CORBA_InterfaceDef_Impl("J", "IDL:Show/J:1.0"));
  EXPECT_EQ(probe("IDL:Show/J:1.0"), nullptr);
  reload(*read, "J", "IDL:Show/J:1.0", bytes);
  EXPECT_EQ(cached("IDL:Show/J:1.0"), read.get());
}

TEST(ObjectCache, DuplicateIdDoesNotReplaceTheLiveEntry) {
  Ref<CORBA_ModuleDef_Impl> first(new CORBA_ModuleDef_Impl("M", "IDL:Dup/M:1.0"));
  encode(*first);
  Ref<CORBA_InterfaceDef_Impl> second(new CORBA_InterfaceDef_Impl("M", "IDL:Dup/M:1.0"));
  encode(*second);
  EXPECT_EQ(cached("IDL:Dup/M:1.0"), first.get());
  second.reset();  // never joined: its end must leave the first's entry alone
  EXPECT_EQ(cached("IDL:Dup/M:1.0"), first.get());
}

// While an object is being destroyed its entry is dead: a new object with
// the id takes it over, and the old object's end leaves the new entry alone.
class Reviving : public CORBA_ModuleDef_Impl {
 public:
  Reviving(const char* repid, CORBA_Contained_Impl** successor)
      : CORBA_ModuleDef_Impl("M", repid), successor_(successor) {}
  ~Reviving() override { *successor_ = new CORBA_ModuleDef_Impl("M", repository_id().c_str()); }

 private:
  CORBA_Contained_Impl** successor_;
};

TEST(ObjectCache, NewObjectTakesOverTheEntryOfOneBeingDestroyed) {
  CORBA_Contained_Impl* successor = nullptr;
  CORBA::release(new Reviving("IDL:Revive/M:1.0", &successor));
  Ref<CORBA_Contained_Impl> owner(successor);
  encode(*successor);
  EXPECT_EQ(cached("IDL:Revive/M:1.0"), successor);
}

TEST(ObjectCache, NewIdThroughStreamToObjectMovesTheEntry) {
  Ref<CORBA_ModuleDef_Impl> module(new CORBA_ModuleDef_Impl("M", "IDL:Move/A:1.0"));
  const Bytes bytes = encode(*module);
  reload(*module, "M", "IDL:Move/B:1.0", bytes);
  EXPECT_EQ(probe("IDL:Move/A:1.0"), nullptr);
  EXPECT_EQ(cached("IDL:Move/B:1.0"), module.get());

  // An id held by another live object is not taken; the old entry goes.
  Ref<CORBA_ModuleDef_Impl> holder(new CORBA_ModuleDef_Impl("H", "IDL:Move/C:1.0"));
  encode(*holder);
  reload(*module, "M", "IDL:Move/C:1.0", bytes);
  EXPECT_EQ(probe("IDL:Move/B:1.0"), nullptr);
  module.reset();
  EXPECT_EQ(cached("IDL:Move/C:1.0"), holder.get());
}

TEST(ObjectCache, AssignmentMovesTheEntryWithTheId) {
  Ref<CORBA_EnumDef_Impl> target(new CORBA_EnumDef_Impl("T", "IDL:Assign/T:1.0"));
  encode(*target);
  Ref<CORBA_EnumDef_Impl> source(new CORBA_EnumDef_Impl("S", "IDL:Assign/S:1.0"));
  source->members = {"x"};
  Ref<CORBA_EnumDef_Impl> detached(new CORBA_EnumDef_Impl(*source));  // a copy of a live object stays out
  source.reset();
  EXPECT_EQ(probe("IDL:Assign/S:1.0"), nullptr);

  *target = *detached;
  EXPECT_EQ(target->repository_id(), "IDL:Assign/S:1.0");
  EXPECT_EQ(target->members, std::vector<std::string>{"x"});
  EXPECT_EQ(target->_reference_count(), 1u);
  EXPECT_EQ(probe("IDL:Assign/T:1.0"), nullptr);
  EXPECT_EQ(cached("IDL:Assign/S:1.0"), target.get());
  target.reset();  // must not be found under either id once gone
  EXPECT_EQ(probe("IDL:Assign/T:1.0"), nullptr);
  EXPECT_EQ(probe("IDL:Assign/S:1.0"), nullptr);
}

// A read encapsulation that probes the cache before every string it reads.
struct ProbingReader : EncapIIOP {
  ProbingReader(Bytes& bytes, std::string repid)
      : EncapIIOP(bytes.data(), static_cast<unsigned>(bytes.size()), ENCAP_READ, 0, 1),
        repid(std::move(repid)) {}
  char* read_string() override {
    if (cached(repid)) ++hits;
    return EncapIIOP::read_string();
  }
  std::string repid;
  int hits = 0;
};

TEST(ObjectCache, ObjectIsNotFoundWhileMakeObjectLoadsIt) {
  Ref<CORBA_InterfaceDef_Impl> original(new CORBA_InterfaceDef_Impl("I", "IDL:Load/I:1.0"));
  original->base_interfaces = {"IDL:B1:1.0", "IDL:B2:1.0"};
  Bytes bytes = encode(*original);
  original.reset();

  std::string name = "I";
  ProbingReader stream(bytes, "IDL:Load/I:1.0");
  Ref<CORBA_Contained_Impl> made(make_object(CORBA::dk_Interface, name.data(), stream.repid.data(), stream));
  EXPECT_EQ(stream.hits, 0);
  EXPECT_EQ(cached("IDL:Load/I:1.0"), made.get());
}

TEST(ObjectCacheThreads, ReleaseOfTheLastReferenceRacesProbes) {
  std::vector<std::string> repids;
  for (int i = 0; i < 32; ++i) repids.push_back("IDL:Race/M" + std::to_string(i) + ":1.0");
  std::atomic<int> wrong{0};
  for (int round = 0; round < 100; ++round) {
    std::vector<CORBA_ModuleDef_Impl*> objects;
    for (const std::string& repid : repids) {
      objects.push_back(new CORBA_ModuleDef_Impl("M", repid.c_str()));
      encode(*objects.back());
    }
    std::atomic<bool> done{false};
    std::vector<std::thread> probers;
    for (int p = 0; p < 3; ++p) {
      probers.emplace_back([&] {
        while (!done) {
          for (const std::string& repid : repids) {
            Ref<CORBA_Contained_Impl> hit(probe(repid));  // may drop the last reference
            if (hit && hit->repository_id() != repid) ++wrong;
          }
        }
      });
    }
    for (CORBA_ModuleDef_Impl* object : objects) CORBA::release(object);
    done = true;
    for (std::thread& prober : probers) prober.join();
    for (const std::string& repid : repids) ASSERT_EQ(probe(repid), nullptr);
  }
  EXPECT_EQ(wrong, 0);
}

// The store's way, from many threads on the same ids: probe, build on a
// miss, use, release. Nobody may see an object without its state.
TEST(ObjectCacheThreads, ProbeOrBuildFromManyThreads) {
  Ref<CORBA_EnumDef_Impl> sample(new CORBA_EnumDef_Impl("E", "IDL:Shared/E:1.0"));
  sample->members = {"one", "two", "three"};
  const std::vector<std::string> members = sample->members;
  const Bytes bytes = encode(*sample);
  sample.reset();

  const std::vector<std::string> repids = {"IDL:Shared/E:1.0", "IDL:Shared/F:1.0"};
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (std::size_t i = 0; i < 2000; ++i) {
        const std::string& repid = repids[(i + t) % repids.size()];
        Ref<CORBA_Contained_Impl> object(probe(repid));
        if (!object) object.reset(make(CORBA::dk_Enum, "E", repid, bytes));
        auto* enumeration = dynamic_cast<CORBA_EnumDef_Impl*>(object.get());
        if (!enumeration || enumeration->members != members || enumeration->repository_id() != repid) ++wrong;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, 0);
}

}  // namespace
