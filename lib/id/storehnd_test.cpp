#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>
#include <openssl/crypto.h>
#include <openssl/provider.h>

#include <qelororm/qel.h>
#include <qeloridm/irstore.h>
#include <qeloridm/storehnd.h>

namespace {

std::string iid_of(const char* repid) {
  StoreHandle handle(CORBA::string_dup(repid), nullptr, 1);
  return reinterpret_cast<const char*>(handle.iid->get_buffer());
}

TEST(StoreHandle, IidIsTheLowerCaseMd5OfTheRepositoryId) {
  EXPECT_EQ(iid_of(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(iid_of("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(iid_of("IDL:omg.org/CosNaming/NamingContext:1.0"), "a141384670c7b8febed7f567e046d3ce");
  EXPECT_EQ(iid_of("IDL:Foo:1.0"), iid_of("IDL:Foo:1.0"));
}

TEST(StoreHandle, IidHas33OctetsEndingInNul) {
  StoreHandle handle(CORBA::string_dup("IDL:Foo:1.0"), nullptr, 0);
  EXPECT_EQ(handle.iid->length(), 0u);
  _IDL_SEQUENCE_CORBA_Char_7* iid = handle.populateIRIID();
  EXPECT_EQ(iid, handle.iid);
  ASSERT_EQ(iid->length(), 33u);
  EXPECT_EQ((*iid)[32], '\0');
  EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(iid->get_buffer())), 32u);
}

TEST(StoreHandle, AFilledIidIsNeverRecomputedAndNeedsNoRepositoryId) {
  auto* given = new _IDL_SEQUENCE_CORBA_Char_7(33);
  given->length(33);
  std::memcpy(given->get_buffer(), "0123456789abcdef0123456789abcdef", 33);
  StoreHandle handle(nullptr, given, 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(handle.populateIRIID()->get_buffer()),
               "0123456789abcdef0123456789abcdef");

  StoreHandle other(CORBA::string_dup("IDL:Other:1.0"), new _IDL_SEQUENCE_CORBA_Char_7(*given), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(other.iid->get_buffer()),
               "0123456789abcdef0123456789abcdef");
}

TEST(StoreHandle, AHandleWithNeitherIidNorRepositoryIdIsRefused) {
  StoreHandle handle;
  EXPECT_EQ(handle.repid, nullptr);
  EXPECT_THROW(handle.populateIRIID(), CORBA::BAD_PARAM);
  // The IID it adopted goes with the failed constructor (the leak check of
  // the address-sanitized suite sees it otherwise).
  EXPECT_THROW(StoreHandle(nullptr, new _IDL_SEQUENCE_CORBA_Char_7(), 1), CORBA::BAD_PARAM);
}

// Runs work on a thread of its own whose library context offers no MD5, as
// one that holds only FIPS-approved algorithms does.
template <class Work>
void without_md5(Work work) {
  std::thread([&work] {
    OSSL_LIB_CTX* context = OSSL_LIB_CTX_new();
    OSSL_PROVIDER* base = OSSL_PROVIDER_load(context, "base");  // no digests at all
    OSSL_LIB_CTX* previous = OSSL_LIB_CTX_set0_default(context);
    work();
    OSSL_LIB_CTX_set0_default(previous);
    OSSL_PROVIDER_unload(base);
    OSSL_LIB_CTX_free(context);
  }).join();
}

TEST(StoreHandle, WithoutMd5NoIidIsMadeAndTheFailureSaysWhy) {
  StoreHandle handle(CORBA::string_dup("IDL:Foo:1.0"), nullptr, 0);
  without_md5([&handle] {
    try {
      handle.populateIRIID();
      ADD_FAILURE() << "an IID without its digest";
    } catch (IRStore::Unrecoverable& e) {
      EXPECT_EQ(e.code, 7);
      ASSERT_NE(e.message, nullptr);
      std::string message = e.message;
      EXPECT_EQ(message.rfind("The MD5 digest, from which IIDs are made, is not available", 0), 0u) << message;
    }
    // The adopted repository id and IID go with a constructor that fails.
    EXPECT_THROW(StoreHandle(CORBA::string_dup("IDL:Bar:1.0"), new _IDL_SEQUENCE_CORBA_Char_7(), 1),
                 IRStore::Unrecoverable);
  });
  // The handle kept no octets that no digest wrote: with MD5 back, it gets
  // its IID.
  EXPECT_EQ(handle.iid->length(), 0u);
  const auto* iid = reinterpret_cast<const char*>(handle.populateIRIID()->get_buffer());
  EXPECT_EQ(iid, iid_of("IDL:Foo:1.0"));
}

// The debug setting is read once per process, so each case runs in a fresh
// process of its own.
class StoreHandleDebugForm : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

void expect_debug_iid(const char* repid, const char* expected) {
  QelSetParm("com.orvo.CORBA.irdbHashDebug", "1");
  std::exit(iid_of(repid) == expected ? 0 : 1);
}

TEST_F(StoreHandleDebugForm, LongRepositoryIdsGiveTheirLast32Characters) {
  EXPECT_EXIT(expect_debug_iid("IDL:abcdefgh/ijklmnopqrstuvwxyz012345:1", "defgh/ijklmnopqrstuvwxyz012345:1"),
              ::testing::ExitedWithCode(0), "");
}

TEST_F(StoreHandleDebugForm, ShortRepositoryIdsAreRightAlignedInBlanks) {
  EXPECT_EXIT(expect_debug_iid("IDL:Foo:1.", "                      IDL:Foo:1."),
              ::testing::ExitedWithCode(0), "");
}

TEST(OctetSequence, LengthGrowsToExactlyTheNewLengthAndShrinkingKeepsTheBuffer) {
  _IDL_SEQUENCE_CORBA_Char_7 octets;
  EXPECT_EQ(octets.maximum(), 0u);
  octets.length(33);
  EXPECT_EQ(octets.maximum(), 33u);
  unsigned char* buffer = octets.get_buffer();
  octets[0] = 'a';
  octets.length(10);
  EXPECT_EQ(octets.length(), 10u);
  EXPECT_EQ(octets.maximum(), 33u);
  EXPECT_EQ(octets.get_buffer(), buffer);
  octets.length(40);
  EXPECT_EQ(octets.maximum(), 40u);
  EXPECT_EQ(octets[0], 'a');
}

TEST(OctetSequence, CopiesAndAssignmentsAreDeep) {
  _IDL_SEQUENCE_CORBA_Char_7 source(8);
  source.length(3);
  std::memcpy(source.get_buffer(), "xyz", 3);
  _IDL_SEQUENCE_CORBA_Char_7 copy(source);
  EXPECT_EQ(copy.maximum(), 8u);
  EXPECT_NE(copy.get_buffer(), source.get_buffer());
  EXPECT_EQ(std::memcmp(copy.get_buffer(), "xyz", 3), 0);

  unsigned char borrowed[4] = {'q', 'q', 'q', 'q'};
  _IDL_SEQUENCE_CORBA_Char_7 target(4, 4, borrowed, 0);
  target = source;  // a target that does not own its buffer gets its own
  EXPECT_TRUE(target.release());
  EXPECT_NE(target.get_buffer(), borrowed);
  EXPECT_EQ(borrowed[0], 'q');
  EXPECT_EQ(target.length(), 3u);
}

TEST(OctetSequence, OrphanedBuffersChangeOwner) {
  _IDL_SEQUENCE_CORBA_Char_7 octets(33);
  octets.length(33);
  unsigned char* buffer = octets.orphan_buffer();
  EXPECT_EQ(octets.get_buffer(), nullptr);
  EXPECT_EQ(octets.length(), 0u);
  _IDL_SEQUENCE_CORBA_Char_7 other;
  other.replace(33, 33, buffer, 1);
  EXPECT_EQ(other.get_buffer(), buffer);
}

TEST(SequenceOfOctetSequences, GrowthKeepsEveryElement) {
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0 list(10);
  for (unsigned i = 0; i < 23; ++i) {
    if (i == list.maximum()) {
      list.length(list.maximum() + 10);
      list.length(i);
    }
    list.length(i + 1);
    list[i].length(33);
    std::memset(list[i].get_buffer(), 'a' + static_cast<int>(i % 26), 32);
    list[i][32] = '\0';
  }
  EXPECT_EQ(list.length(), 23u);
  EXPECT_EQ(list.maximum(), 30u);
  for (unsigned i = 0; i < 23; ++i) EXPECT_EQ(list[i][0], 'a' + static_cast<int>(i % 26)) << i;

  _IDL_SEQUENCE_sequence_CORBA_Char_7_0_var held(new _IDL_SEQUENCE_sequence_CORBA_Char_7_0(list));
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0_var copy(held);
  EXPECT_NE(static_cast<_IDL_SEQUENCE_sequence_CORBA_Char_7_0*>(copy),
            static_cast<_IDL_SEQUENCE_sequence_CORBA_Char_7_0*>(held));
  EXPECT_EQ(copy[22][0], held[22][0]);
  EXPECT_NE(copy[22].get_buffer(), held[22].get_buffer());
}

// Growth moves the elements of a list that owns them, so that filling a list
// costs no copy of what it holds; elements in a caller's buffer are copied
// and the caller's buffer is left as it was.
TEST(SequenceOfOctetSequences, GrowthMovesOwnElementsAndCopiesACallersOnes) {
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0 list(1);
  list.length(1);
  list[0].length(33);
  std::memcpy(list[0].get_buffer(), "0123456789abcdef0123456789abcdef", 33);
  const unsigned char* octets = list[0].get_buffer();
  list.length(2);
  EXPECT_EQ(list[0].get_buffer(), octets);
  EXPECT_STREQ(reinterpret_cast<const char*>(list[0].get_buffer()), "0123456789abcdef0123456789abcdef");

  auto* callers = _IDL_SEQUENCE_sequence_CORBA_Char_7_0::allocbuf(1);
  callers[0].length(3);
  std::memcpy(callers[0].get_buffer(), "ab", 3);
  {
    _IDL_SEQUENCE_sequence_CORBA_Char_7_0 borrowed(1, 1, callers, 0);
    borrowed.length(2);
    EXPECT_NE(borrowed[0].get_buffer(), callers[0].get_buffer());
    EXPECT_STREQ(reinterpret_cast<const char*>(borrowed[0].get_buffer()), "ab");
  }
  EXPECT_STREQ(reinterpret_cast<const char*>(callers[0].get_buffer()), "ab");
  _IDL_SEQUENCE_sequence_CORBA_Char_7_0::freebuf(callers);
}

}  // namespace
