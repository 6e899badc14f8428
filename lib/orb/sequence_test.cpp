#include <qelororm/sequence.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using Strings = CORBA::_IDL_SEQUENCE_CORBA_String_0;

// An object that counts its live instances.
struct Counted : CORBA::Object {
  static inline int live = 0;
  Counted() { ++live; }
  ~Counted() override { --live; }
};
using Objects = CORBA::UnboundedSequence<CORBA::ObjectElement<Counted>>;

class SequenceTest : public testing::Test {
 protected:
  void SetUp() override { Counted::live = 0; }
  void TearDown() override { EXPECT_EQ(Counted::live, 0) << "objects leaked"; }
};

TEST(CorbaStrings, AllocateDuplicateAndFree) {
  char* empty = CORBA::string_alloc(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
  CORBA::string_free(empty);

  const char original[] = "IDL:A/B:1.0";
  char* copy = CORBA::string_dup(original);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, original);
  EXPECT_STREQ(copy, original);
  CORBA::string_free(copy);

  EXPECT_EQ(CORBA::string_dup(nullptr), nullptr);
  CORBA::string_free(nullptr);
}

TEST_F(SequenceTest, ReleaseDeletesAtTheLastReference) {
  auto* object = new Counted;
  object->_add_ref();
  EXPECT_EQ(object->_reference_count(), 2u);
  CORBA::release(object);
  EXPECT_EQ(Counted::live, 1);
  CORBA::release(object);
  EXPECT_EQ(Counted::live, 0);
  CORBA::release(nullptr);
}

TEST_F(SequenceTest, GrowingKeepsElementsAndAddsNulls) {
  Strings names(2);
  names.length(2);
  names[0] = CORBA::string_dup("a");
  names[1] = CORBA::string_dup("b");
  names.length(5);
  EXPECT_EQ(names.maximum(), 5u);
  EXPECT_STREQ(names[0], "a");
  EXPECT_STREQ(names[1], "b");
  for (CORBA::ULong i = 2; i < 5; ++i) EXPECT_EQ(names[i], nullptr);
  EXPECT_TRUE(names.release());
}

TEST_F(SequenceTest, ShrinkingGivesUpTheElementsCutOff) {
  Objects objects(3);
  objects.length(3);
  for (CORBA::ULong i = 0; i < 3; ++i) objects[i] = new Counted;
  objects.length(1);
  EXPECT_EQ(Counted::live, 1);
  // Growing again within the maximum shows nulls, not freed elements.
  objects.length(3);
  EXPECT_EQ(objects[1], nullptr);
  EXPECT_EQ(objects[2], nullptr);
}

TEST_F(SequenceTest, CopiesAreDeep) {
  Strings names;
  names.length(2);
  names[0] = CORBA::string_dup("x");
  names[1] = nullptr;
  Strings copy(names);
  EXPECT_NE(copy[0], names[0]);
  EXPECT_STREQ(copy[0], "x");
  EXPECT_EQ(copy[1], nullptr);

  Strings assigned;
  assigned.length(1);
  assigned[0] = CORBA::string_dup("old");  // freed by the assignment
  assigned = names;
  EXPECT_EQ(assigned.length(), 2u);
  EXPECT_STREQ(assigned[0], "x");

  Objects objects;
  objects.length(1);
  objects[0] = new Counted;
  {
    Objects shared(objects);
    EXPECT_EQ(shared[0], objects[0]);
    EXPECT_EQ(objects[0]->_reference_count(), 2u);
  }
  EXPECT_EQ(objects[0]->_reference_count(), 1u);
}

TEST_F(SequenceTest, GrowingACallersBufferLeavesItIntact) {
  Counted* elements[2] = {new Counted, new Counted};
  {
    Objects borrowed(2, 2, elements, false);
    borrowed.length(4);
    EXPECT_TRUE(borrowed.release());
    EXPECT_EQ(borrowed[0], elements[0]);
    EXPECT_EQ(borrowed[1], elements[1]);
  }
  // The sequence gave up its own references; the caller's remain.
  EXPECT_EQ(elements[0]->_reference_count(), 1u);
  EXPECT_EQ(elements[1]->_reference_count(), 1u);
  CORBA::release(elements[0]);
  CORBA::release(elements[1]);
}

TEST_F(SequenceTest, AllocbufStartsNullAndFreebufFreesEveryElement) {
  Counted** buffer = Objects::allocbuf(3);
  ASSERT_NE(buffer, nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(buffer[i], nullptr);
  buffer[0] = new Counted;
  buffer[2] = new Counted;
  {
    Objects owner(3, 3, buffer, true);
  }
  EXPECT_EQ(Counted::live, 0);
  Objects::freebuf(nullptr);
}

}  // namespace
