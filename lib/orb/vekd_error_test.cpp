#include <qelororm/qel.h>
#include <qelororm/vekd.h>

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

namespace {

void capture(const VekdReport& report, void* context) {
  static_cast<std::vector<VekdReport>*>(context)->push_back(report);
}

void raise(const VekdReport& report, void*) { throw CORBA::INTF_REPOS(report.code); }

class VekdErrorTest : public testing::Test {
 protected:
  void SetUp() override { vekdSetErrorSink(capture, &reports); }
  void TearDown() override { vekdSetErrorSink(nullptr, nullptr); }
  std::vector<VekdReport> reports;
};

TEST_F(VekdErrorTest, CapturesEveryPartOfTheReport) {
  const char* null_text = nullptr;
  EXPECT_EQ(vekdError(0x51450058, CORBA::COMPLETED_NO, "lib/id/irdb", 3506, nullptr, 0, 1024, 0,
                      CORBA::_tc_string, "99999", CORBA::_tc_long, CORBA::Long{-7},
                      CORBA::_tc_string, null_text, static_cast<CORBA::TypeCode_ptr>(nullptr)),
            0);
  ASSERT_EQ(reports.size(), 1u);
  const VekdReport& report = reports[0];
  EXPECT_EQ(report.code, 0x51450058);
  EXPECT_EQ(report.completed, CORBA::COMPLETED_NO);
  EXPECT_EQ(report.file, "lib/id/irdb");
  EXPECT_EQ(report.line, 3506);
  EXPECT_EQ(report.message, 1024);
  EXPECT_EQ(report.inserts, (std::vector<std::string>{"99999", "-7", "(null)"}));
}

TEST_F(VekdErrorTest, WithoutMessageReadsNoInserts) {
  vekdError(0x5145003a, CORBA::COMPLETED_MAYBE, "mrrepdat", 12, nullptr, 0, 0);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].message, 0);
  EXPECT_TRUE(reports[0].inserts.empty());
}

TEST_F(VekdErrorTest, AThrowingSinkReachesTheCaller) {
  vekdSetErrorSink(raise, nullptr);
  try {
    vekdError(0x51450053, CORBA::COMPLETED_NO, "lib/id/irdb", 1, nullptr, 0, 0);
    FAIL() << "the sink's exception was swallowed";
  } catch (const CORBA::INTF_REPOS& raised) {
    EXPECT_EQ(raised.minor(), 0x51450053u);
  }
}

TEST(VekdFormatReport, WritesOneLine) {
  VekdReport report{0x51450058, CORBA::COMPLETED_NO, "lib/id/irdb", 3506, 1024,
                    {"99999", "7", "SQL Fetch,    Tarn Message: no such table\r\n"}};
  EXPECT_EQ(vekdFormatReport(report),
            "irstore: failure 0x51450058 (completed NO) at lib/id/irdb:3506, message 1024: "
            "99999 | 7 | SQL Fetch,    Tarn Message: no such table  ");
  report.message = 0;
  report.completed = CORBA::COMPLETED_MAYBE;
  EXPECT_EQ(vekdFormatReport(report), "irstore: failure 0x51450058 (completed MAYBE) at lib/id/irdb:3506");
}

TEST(VekdDefaultSink, WritesTheFormattedLineOnStandardError) {
  testing::internal::CaptureStderr();
  vekdError(0x4f4d000c, CORBA::COMPLETED_YES, "x", 2, nullptr, 0, 1033, 0, CORBA::_tc_string,
            "a\nb", static_cast<CORBA::TypeCode_ptr>(nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "irstore: failure 0x4f4d000c (completed YES) at x:2, message 1033: a b\n");
}

TEST(VekdMBCSstrchr, FindsLikeStrchrInTheCLocale) {
  const char text[] = "Module::Interface";
  EXPECT_EQ(vekdMBCSstrchr(text, ':'), text + 6);
  EXPECT_EQ(vekdMBCSstrchr(text, 'z'), nullptr);
  EXPECT_EQ(vekdMBCSstrchr(text, 0), text + std::strlen(text));
  EXPECT_EQ(vekdMBCSstrchr("", 'a'), nullptr);
}

TEST(VekdMBCSstrchr, StepsOverWholeMultibyteCharacters) {
  std::string saved = std::setlocale(LC_CTYPE, nullptr);
  if (!std::setlocale(LC_CTYPE, "C.UTF-8")) GTEST_SKIP() << "no UTF-8 locale";
  // U+00E9 is C3 A9; a stray A9 on its own is not a character of UTF-8.
  const char text[] = "\xc3\xa9x\xa9";
  EXPECT_EQ(vekdMBCSstrchr(text, 'x'), text + 2);
  EXPECT_EQ(vekdMBCSstrchr(text, 0xa9), text + 3) << "the byte inside U+00E9 is no match";
  EXPECT_EQ(vekdMBCSstrchr(text, 0xc3), nullptr);
  // A character cut short by the terminator: its bytes count one by one.
  const char truncated[] = "\xe2\x82";
  EXPECT_EQ(vekdMBCSstrchr(truncated, 0x82), truncated + 1);
  std::setlocale(LC_CTYPE, saved.c_str());
}

struct TraceRecord {
  std::string file, version, text;
  int line;
};

void capture_trace(const char* file, int line, const char* version, const char* text, void* context) {
  static_cast<std::vector<TraceRecord>*>(context)->push_back({file, version, text, line});
}

TEST(QELTrace, GoesToTheSinkOrToStandardError) {
  std::vector<TraceRecord> records;
  QELSetTraceSink(capture_trace, &records);
  QELTraceString("lib/id/irdb", 42, "1.0", "Starting CS: ");
  QELSetTraceSink(nullptr, nullptr);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].file, "lib/id/irdb");
  EXPECT_EQ(records[0].line, 42);
  EXPECT_EQ(records[0].version, "1.0");
  EXPECT_EQ(records[0].text, "Starting CS: ");

  testing::internal::CaptureStderr();
  QELTraceString("f", 7, "v", "two\nlines");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "[f:7 v] two\nlines\n");
}

}  // namespace
