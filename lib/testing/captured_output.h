// Captures the failure reports (vekdError) and trace records
// (QELTraceString) made while the object lives, from any thread.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <qelororm/vekd.h>

class CapturedReports {
 public:
  CapturedReports();
  ~CapturedReports();
  CapturedReports(const CapturedReports&) = delete;
  CapturedReports& operator=(const CapturedReports&) = delete;

  std::vector<VekdReport> reports() const;
  // How many reports carried this minor code.
  int count(int code) const;
  void clear();

 private:
  static void sink(const VekdReport& report, void* self);
  mutable std::mutex mutex_;
  std::vector<VekdReport> reports_;
};

struct TraceRecord {
  std::string file;
  int line;
  std::string text;
};

class CapturedTraces {
 public:
  CapturedTraces();
  ~CapturedTraces();
  CapturedTraces(const CapturedTraces&) = delete;
  CapturedTraces& operator=(const CapturedTraces&) = delete;

  std::vector<TraceRecord> records() const;
  // How many records' texts start with the given text.
  int count_starting(const std::string& prefix) const;

 private:
  static void sink(const char* file, int line, const char* version, const char* text, void* self);
  mutable std::mutex mutex_;
  std::vector<TraceRecord> records_;
};
