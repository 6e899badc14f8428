#include "statement_log.h"

#include <cstdint>
#include <stdexcept>

#include "mrrepdat_internal.h"

namespace {

void append_text(std::string& log, const char* text) {
  std::uint32_t length = static_cast<std::uint32_t>(std::char_traits<char>::length(text));
  log.append(reinterpret_cast<const char*>(&length), sizeof length);
  log.append(text, length);
}

bool read_text(std::FILE* file, std::string& text) {
  std::uint32_t length;
  if (std::fread(&length, sizeof length, 1, file) != 1) return false;
  text.resize(length);
  return std::fread(text.data(), 1, length, file) == length;
}

}  // namespace

StatementLogWriter::StatementLogWriter(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
  if (!file_) throw std::runtime_error("cannot write " + path);
  pending_.reserve(1 << 20);
}

StatementLogWriter::~StatementLogWriter() {
  stop();
  std::fwrite(pending_.data(), 1, pending_.size(), file_);  // what a failed run logged, for its reader
  std::fclose(file_);
}

void StatementLogWriter::start() { set_statement_observer(&StatementLogWriter::observe, this); }
void StatementLogWriter::stop() { set_statement_observer(nullptr, nullptr); }

void StatementLogWriter::set_workload(Workload workload) {
  if (workload_ != Workload::kSetup && workload != workload_) record(LoggedStatement::kOperationEnd, "", 0, nullptr);
  workload_ = workload;
  if (workload == Workload::kSetup) flush();
}

// Called on the store's worker thread while the operation's caller waits
// for it: nothing else touches the log meanwhile.
void StatementLogWriter::observe(const StatementEvent& event, void* self) {
  static_cast<StatementLogWriter*>(self)->record(static_cast<unsigned char>(event.kind), event.text,
                                                  event.value_count, event.values);
}

void StatementLogWriter::record(unsigned char kind, const char* text, int value_count, const char* const* values) {
  pending_.push_back(static_cast<char>(kind));
  pending_.push_back(static_cast<char>(workload_));
  pending_.push_back(static_cast<char>(value_count));
  append_text(pending_, text);
  for (int i = 0; i < value_count; ++i) append_text(pending_, values[i]);
}

void StatementLogWriter::flush() {
  if (std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size()) {
    throw std::runtime_error("cannot write the statement log");
  }
  pending_.clear();
}

StatementLogReader::StatementLogReader(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {
  if (!file_) throw std::runtime_error("cannot read " + path);
}

StatementLogReader::~StatementLogReader() { std::fclose(file_); }

bool StatementLogReader::next(LoggedStatement& statement) {
  unsigned char header[3];
  if (std::fread(header, 1, sizeof header, file_) != sizeof header) return false;
  statement.kind = static_cast<LoggedStatement::Kind>(header[0]);
  statement.workload = static_cast<Workload>(header[1]);
  if (!read_text(file_, statement.text)) return false;
  statement.values.resize(header[2]);
  for (std::string& value : statement.values) {
    if (!read_text(file_, value)) return false;
  }
  return true;
}
