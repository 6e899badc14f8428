// The state of every kind: what object_to_stream writes, make_object and
// stream_to_object read back, and what they refuse.
#include <qelorirm/definitions.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "samples.h"
#include "test_support.h"

namespace {

using namespace irtest;

template <class T>
class EveryKind : public ::testing::Test {};
TYPED_TEST_SUITE(EveryKind, AllKinds);

// Read back from a stored stream, which carries four zero bytes of padding.
TYPED_TEST(EveryKind, RoundTripsThroughMakeObject) {
  using T = TypeParam;
  Ref<T> original = rich_sample<T>();
  const std::string name = original->simple_name();
  const std::string repid = original->repository_id();
  Ref<T> expected(new T(*original));  // stays out of the cache
  const Bytes bytes = encode(*original);
  original.reset();
  ASSERT_EQ(probe(repid), nullptr);

  Bytes padded = bytes;
  padded.insert(padded.end(), 4, 0);
  Ref<CORBA_Contained_Impl> made(make(Sample<T>::kind, name, repid, padded));
  T* loaded = dynamic_cast<T*>(made.get());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->def_kind(), Sample<T>::kind);
  EXPECT_EQ(loaded->_reference_count(), 1u);
  EXPECT_TRUE(Sample<T>::state(*loaded) == Sample<T>::state(*expected));
  EXPECT_EQ(take(loaded->name()), name);
  EXPECT_EQ(take(loaded->id()), repid);
  EXPECT_EQ(take(loaded->version()), "4.2");
  EXPECT_EQ(encode(*loaded), bytes);
}

// Every cut of a full stream is refused, and the object, its name, its id
// and its cache entry stay as they were.
TYPED_TEST(EveryKind, TruncatedStreamChangesNothing) {
  using T = TypeParam;
  const Bytes full = encode(*rich_sample<T>());
  Ref<T> target(create<T>("Target", "IDL:Target/T:1.7"));
  const std::string repid = target->repository_id();
  const Bytes before = encode(*target);

  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE("cut at " + std::to_string(cut));
    Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_THROW(reload(*target, "Renamed", "IDL:Renamed:1.0", prefix), CORBA::MARSHAL);
    EXPECT_EQ(encode(*target), before);
    EXPECT_NE(target->simple_name(), "Renamed");
    EXPECT_EQ(target->repository_id(), repid);
    EXPECT_EQ(cached(repid), target.get());
    EXPECT_EQ(probe("IDL:Renamed:1.0"), nullptr);
  }
}

TEST(MakeObject, KindsWithoutAClassGiveNull) {
  const Bytes bytes = encode(*rich_sample<CORBA_ModuleDef_Impl>());
  for (CORBA::DefinitionKind kind :
       {CORBA::dk_none, CORBA::dk_all, CORBA::dk_Typedef, CORBA::dk_Primitive, CORBA::dk_String,
        CORBA::dk_Sequence, CORBA::dk_Array, CORBA::dk_Wstring, CORBA::dk_Fixed, CORBA::dk_Value,
        CORBA::dk_ValueBox, CORBA::dk_ValueMember, CORBA::dk_Native}) {
    EXPECT_EQ(make(kind, "M", "IDL:Unknown:1.0", bytes), nullptr) << "kind " << kind;
  }
}

// Streams written by hand, as a damaged or hostile row could hold them;
// each starts with the version.
struct Malformed : ::testing::Test {
  void SetUp() override { restart(); }
  void restart() {
    out = std::make_unique<EncapIIOP>(ENCAP_WRITE);
    out->write_string("1.0");
  }
  void type(const char* spelling) {
    out->write_string(spelling);
    out->write_ulong(0);
  }
  // Makes the object; a failure must leave the id free for a later object.
  void expect_refused(CORBA::DefinitionKind kind) {
    unsigned char* data = nullptr;
    unsigned length = 0;
    out->access_buffer(data, length);
    EXPECT_THROW(make(kind, "Bad", "IDL:Bad:1.0", Bytes(data, data + length)), CORBA::MARSHAL);
    Ref<CORBA_ModuleDef_Impl> later(new CORBA_ModuleDef_Impl("Bad", "IDL:Bad:1.0"));
    encode(*later);
    EXPECT_EQ(cached("IDL:Bad:1.0"), later.get());
  }
  std::unique_ptr<EncapIIOP> out;
};

TEST_F(Malformed, HostileCountsAreRefusedBeforeAnythingIsAllocated) {
  struct Case {
    const char* what;
    CORBA::DefinitionKind kind;
    void (*before)(Malformed&);  // the state in front of the count
  };
  const Case cases[] = {
      {"interface bases", CORBA::dk_Interface, [](Malformed&) {}},
      {"enum members", CORBA::dk_Enum, [](Malformed&) {}},
      {"struct members", CORBA::dk_Struct, [](Malformed&) {}},
      {"exception members", CORBA::dk_Exception, [](Malformed&) {}},
      {"type references", CORBA::dk_Alias, [](Malformed& m) { m.out->write_string("::T"); }},
      {"union members", CORBA::dk_Union, [](Malformed& m) { m.type("long"); }},
      {"parameters", CORBA::dk_Operation, [](Malformed& m) {
         m.type("void");
         m.out->write_boolean(0);
       }},
  };
  for (const Case& c : cases) {
    for (std::uint32_t count : {0xffffffffu, 0x10000000u, 2u}) {
      SCOPED_TRACE(std::string(c.what) + ", count " + std::to_string(count));
      restart();
      c.before(*this);
      out->write_ulong(count);
      out->write_string("x");
      expect_refused(c.kind);
    }
  }
}

TEST_F(Malformed, ValuesOutOfRangeAreRefused) {
  type("long");
  out->write_octet(2);  // a boolean is 0 or 1
  expect_refused(CORBA::dk_Attribute);

  restart();
  type("void");
  out->write_boolean(0);
  out->write_ulong(1);
  out->write_string("p");
  type("long");
  out->write_ulong(3);  // In, Out and InOut are 0 to 2
  out->write_ulong(0);
  out->write_ulong(0);
  expect_refused(CORBA::dk_Operation);
}

TEST(WriteState, TextWithANulIsRefusedRatherThanCut) {
  Ref<CORBA_EnumDef_Impl> object(new CORBA_EnumDef_Impl("E", "IDL:E:1.0"));
  object->members = {"red", std::string("gr\0een", 6)};
  EncapIIOP stream(ENCAP_WRITE);
  EXPECT_THROW(object->object_to_stream(stream), CORBA::BAD_PARAM);
}

// Only whole names are renamed: a longer name that starts with a renamed
// one, or a name inside another's scope, stays as it is.
TEST(RenameScopedNames, RenamesWholeNamesOnly) {
  const std::map<std::string, std::string> renamed = {{"::A::T", "::B::T"}};
  std::string spelling = "sequence<::A::T, 4>";
  EXPECT_TRUE(rename_scoped_names_in(spelling, renamed));
  EXPECT_EQ(spelling, "sequence<::B::T, 4>");
  for (std::string untouched : {"::A::TT", "::A::T::U", "::AA::T", "long"}) {
    std::string before = untouched;
    EXPECT_FALSE(rename_scoped_names_in(untouched, renamed)) << before;
    EXPECT_EQ(untouched, before);
  }
}

}  // namespace
