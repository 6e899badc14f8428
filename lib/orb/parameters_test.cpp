#include <qelororm/qel.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Each test uses its own parameter names: values set by the host last for
// the whole process.
TEST(Parameters, HostValueWinsOverEnvironmentOverDefault) {
  const char* name = "com.orvo.CORBA.testPrecedence";
  EXPECT_STREQ(QelGetParmString(name, "default"), "default");
  EXPECT_EQ(QelGetParmString(name, nullptr), nullptr);

  ASSERT_EQ(setenv("com_orvo_CORBA_testPrecedence", "environment", 1), 0);
  EXPECT_STREQ(QelGetParmString(name, "default"), "environment");

  QelSetParm(name, "host");
  EXPECT_STREQ(QelGetParmString(name, "default"), "host");

  QelSetParm(name, nullptr);
  EXPECT_STREQ(QelGetParmString(name, "default"), "environment");
  unsetenv("com_orvo_CORBA_testPrecedence");
  EXPECT_STREQ(QelGetParmString(name, "default"), "default");
}

TEST(Parameters, ReturnedTextOutlivesLaterChanges) {
  const char* name = "com.orvo.CORBA.testInterning";
  QelSetParm(name, "first");
  const char* first = QelGetParmString(name, "");
  QelSetParm(name, "second");
  ASSERT_EQ(setenv("com_orvo_CORBA_testInterning", "from environment", 1), 0);
  QelSetParm(name, nullptr);
  const char* from_environment = QelGetParmString(name, "");
  ASSERT_EQ(setenv("com_orvo_CORBA_testInterning", "overwritten", 1), 0);
  unsetenv("com_orvo_CORBA_testInterning");

  char caller_default[] = "caller's default";
  const char* defaulted = QelGetParmString(name, caller_default);
  std::strcpy(caller_default, "changed");

  EXPECT_STREQ(first, "first");
  EXPECT_STREQ(from_environment, "from environment");
  EXPECT_STREQ(defaulted, "caller's default");
}

TEST(Parameters, ReadsDecimalAndHexadecimalInts) {
  const char* name = "com.orvo.CORBA.testInt";
  EXPECT_EQ(QelGetParmInt(name, 17), 17);
  const std::pair<const char*, int> numbers[] = {
      {"42", 42}, {"-5", -5}, {"0x1F", 31}, {"0X10", 16}, {"010", 10}, {"2147483647", 2147483647},
  };
  for (auto [text, value] : numbers) {
    QelSetParm(name, text);
    EXPECT_EQ(QelGetParmInt(name, 17), value) << text;
  }
  for (const char* bad : {"", "12abc", "0x", "0xg", " 5", "abc", "99999999999", "-", "1.5"}) {
    QelSetParm(name, bad);
    EXPECT_EQ(QelGetParmInt(name, 17), 17) << '"' << bad << '"';
  }
  QelSetParm(name, nullptr);
  ASSERT_EQ(setenv("com_orvo_CORBA_testInt", "0x20", 1), 0);
  EXPECT_EQ(QelGetParmInt(name, 17), 32);
  unsetenv("com_orvo_CORBA_testInt");
}

}  // namespace
