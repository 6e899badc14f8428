// Trace records of the runtime's users.
#include <qelororm/qel.h>

#include <cstdio>
#include <mutex>

unsigned QELMutexTrace = 0;

namespace {

const char* text_or_null(const char* text) { return text ? text : "(null)"; }

void write_to_stderr(const char* file, int line, const char* version, const char* text,
                     void* /*context*/) {
  // One call, so that records of concurrent threads do not interleave.
  std::fprintf(stderr, "[%s:%d %s] %s\n", text_or_null(file), line, text_or_null(version),
               text_or_null(text));
  std::fflush(stderr);
}

constinit std::mutex sink_lock;
constinit QELTraceSink installed_sink = write_to_stderr;
constinit void* installed_context = nullptr;

}  // namespace

void QELTraceString(const char* file, int line, const char* version, const char* text) {
  QELTraceSink sink;
  void* context;
  {
    std::lock_guard guard(sink_lock);
    sink = installed_sink;
    context = installed_context;
  }
  sink(file, line, version, text, context);
}

void QELSetTraceSink(QELTraceSink sink, void* context) {
  std::lock_guard guard(sink_lock);
  installed_sink = sink ? sink : write_to_stderr;
  installed_context = sink ? context : nullptr;
}
