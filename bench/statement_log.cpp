#include "statement_log.h"

#include <cstdint>
#include <stdexcept>

#include "mrrepdat_internal.h"

namespace {

void write_text(std::FILE* file, const char* text) {
  std::uint32_t length = static_cast<std::uint32_t>(std::char_traits<char>::length(text));
  std::fwrite(&length, sizeof length, 1, file);
  std::fwrite(text, 1, length, file);
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
}

StatementLogWriter::~StatementLogWriter() {
  stop();
  std::fclose(file_);
}

void StatementLogWriter::start() { set_statement_observer(&StatementLogWriter::observe, this); }
void StatementLogWriter::stop() { set_statement_observer(nullptr, nullptr); }

void StatementLogWriter::observe(const StatementEvent& event, void* self) {
  auto* writer = static_cast<StatementLogWriter*>(self);
  unsigned char header[3] = {static_cast<unsigned char>(event.kind),
                             static_cast<unsigned char>(writer->workload_),
                             static_cast<unsigned char>(event.value_count)};
  std::fwrite(header, 1, sizeof header, writer->file_);
  write_text(writer->file_, event.text);
  for (int i = 0; i < event.value_count; ++i) write_text(writer->file_, event.values[i]);
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
