#include "captured_output.h"

#include <qelororm/qel.h>

CapturedReports::CapturedReports() { vekdSetErrorSink(&CapturedReports::sink, this); }
CapturedReports::~CapturedReports() { vekdSetErrorSink(nullptr, nullptr); }

void CapturedReports::sink(const VekdReport& report, void* self) {
  auto* captured = static_cast<CapturedReports*>(self);
  std::lock_guard<std::mutex> lock(captured->mutex_);
  captured->reports_.push_back(report);
}

std::vector<VekdReport> CapturedReports::reports() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return reports_;
}

int CapturedReports::count(int code) const {
  std::lock_guard<std::mutex> lock(mutex_);
  int found = 0;
  for (const VekdReport& report : reports_) found += report.code == code;
  return found;
}

void CapturedReports::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  reports_.clear();
}

CapturedTraces::CapturedTraces() { QELSetTraceSink(&CapturedTraces::sink, this); }
CapturedTraces::~CapturedTraces() { QELSetTraceSink(nullptr, nullptr); }

void CapturedTraces::sink(const char* file, int line, const char*, const char* text, void* self) {
  auto* captured = static_cast<CapturedTraces*>(self);
  std::lock_guard<std::mutex> lock(captured->mutex_);
  captured->records_.push_back({file, line, text});
}

std::vector<TraceRecord> CapturedTraces::records() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return records_;
}

int CapturedTraces::count_starting(const std::string& prefix) const {
  std::lock_guard<std::mutex> lock(mutex_);
  int found = 0;
  for (const TraceRecord& record : records_) found += record.text.rfind(prefix, 0) == 0;
  return found;
}
