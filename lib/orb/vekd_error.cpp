// Failure reports, error-number mapping, the multibyte-aware strchr and the
// one-shot failure hook of the system calls.
#include <qelororm/vekd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>

#include "failure_hook.h"

namespace {

void write_to_stderr(const VekdReport& report, void* /*context*/) {
  std::string line = vekdFormatReport(report);
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

constinit std::mutex sink_lock;
constinit VekdErrorSink installed_sink = write_to_stderr;
constinit void* installed_context = nullptr;

const char* text_or_null(const char* text) { return text ? text : "(null)"; }

// Report text is one line: inserts often carry database messages that end
// in a newline.
std::string one_line(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

// Reads the (type code, value) pairs up to the null type code. Anything but
// the two known type codes also ends the list: its value's size is unknown,
// and a closing literal 0 may arrive as a pointer with garbage in its high
// half, which must not be dereferenced.
void read_inserts(va_list arguments, std::vector<std::string>& inserts) {
  for (;;) {
    CORBA::TypeCode_ptr type = va_arg(arguments, CORBA::TypeCode_ptr);
    if (type == CORBA::_tc_string)
      inserts.push_back(text_or_null(va_arg(arguments, const char*)));
    else if (type == CORBA::_tc_long)
      inserts.push_back(std::to_string(va_arg(arguments, int)));
    else
      return;
  }
}

const char* completion_name(CORBA::CompletionStatus completed) {
  switch (completed) {
    case CORBA::COMPLETED_YES: return "YES";
    case CORBA::COMPLETED_NO: return "NO";
    case CORBA::COMPLETED_MAYBE: return "MAYBE";
  }
  return "?";
}

}  // namespace

int vekdError(int code, CORBA::CompletionStatus completed, const char* file, int line,
              void* /*reserved1*/, unsigned /*reserved2*/, int message, ...) {
  VekdReport report{code, completed, text_or_null(file), line, message, {}};
  if (message != 0) {
    va_list arguments;
    va_start(arguments, message);
    (void)va_arg(arguments, int);  // reserved
    try {
      read_inserts(arguments, report.inserts);
    } catch (...) {
      va_end(arguments);
      throw;
    }
    va_end(arguments);
  }

  VekdErrorSink sink;
  void* context;
  {
    std::lock_guard guard(sink_lock);
    sink = installed_sink;
    context = installed_context;
  }
  sink(report, context);  // may throw: the host's exception goes to our caller
  return 0;
}

void vekdSetErrorSink(VekdErrorSink sink, void* context) {
  std::lock_guard guard(sink_lock);
  installed_sink = sink ? sink : write_to_stderr;
  installed_context = sink ? context : nullptr;
}

std::string vekdFormatReport(const VekdReport& report) {
  char head[64];
  std::snprintf(head, sizeof head, "irstore: failure 0x%08x (completed ",
                static_cast<unsigned>(report.code));
  std::string text = head;
  text += completion_name(report.completed);
  text += ") at ";
  text += one_line(report.file);
  text += ':';
  text += std::to_string(report.line);
  if (report.message != 0) {
    text += ", message ";
    text += std::to_string(report.message);
    const char* separator = ": ";
    for (const std::string& insert : report.inserts) {
      text += separator;
      text += one_line(insert);
      separator = " | ";
    }
  }
  return text;
}

int vekdMapSysError(int rc) { return static_cast<int>(0x4f4d0000u | (static_cast<unsigned>(rc) & 0xffffu)); }

char* vekdMBCSstrchr(const char* text, int c) {
  if (!text) return nullptr;
  const char wanted = static_cast<char>(c);
  // Where every character is one byte, the first byte that is c is it.
  if (MB_CUR_MAX == 1) return const_cast<char*>(std::strchr(text, wanted));
  std::mbstate_t state{};
  for (const char* p = text;; ) {
    if (*p == '\0') return wanted == '\0' ? const_cast<char*>(p) : nullptr;
    // Never look past the terminator, whatever the encoding.
    std::size_t length = std::mbrlen(p, strnlen(p, MB_CUR_MAX), &state);
    if (length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2)) {
      length = 1;  // not a character of the locale: one byte, on its own
      state = std::mbstate_t{};
    }
    // Only a single-byte character can be c; bytes inside a multibyte
    // character are not characters.
    if (length == 1 && *p == wanted) return const_cast<char*>(p);
    p += length;
  }
}

namespace {
constexpr int call_kinds = static_cast<int>(VEKCall::StartThread) + 1;
constinit std::atomic<int> armed_failures[call_kinds] = {};
}  // namespace

void VEKFailNextCall(VEKCall call, int rc) {
  armed_failures[static_cast<int>(call)].store(rc, std::memory_order_relaxed);
}

int qelororm::take_armed_failure(VEKCall call) {
  auto& armed = armed_failures[static_cast<int>(call)];
  // Cheap load first: the exchange would write a shared line on every call.
  if (armed.load(std::memory_order_relaxed) == 0) return 0;
  return armed.exchange(0, std::memory_order_relaxed);
}
