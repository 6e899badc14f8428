// Context handles and their attachment to threads. Handles come from
// callers, so every one is checked against the registry of live contexts
// before use: a stale or foreign handle is an error, not a crash.
#include "context.h"

#include <mutex>
#include <unordered_set>

#include "messages.h"
#include "tarn/tarn.h"

namespace tarn {
namespace {

thread_local Context* current = nullptr;

struct Registry {
  std::mutex mutex;
  std::unordered_set<Context*> live;
};

// Never destroyed: contexts may still be in use by threads that run while
// the process exits, and their connections must not close under them.
Registry& registry() {
  static Registry* instance = new Registry;
  return *instance;
}

void succeed(sqlca* ca) { fill_sqlca(ca, TARN_SQL_OK, "", "", kOwnEngineName); }

void fail(sqlca* ca, const char* message) {
  fill_sqlca(ca, TARN_SQL_BAD_CONTEXT, "", message, kOwnEngineName);
}

}  // namespace

Context* attached_context() { return current; }

void drop_session(Context& context) {
  if (!context.session) return;
  try {
    context.session->cursors.clear();
    context.session->connection->rollback();
  } catch (...) {
    // Closing the connection discards the unit of work in any case.
  }
  context.session.reset();
}

void end_reads(Session& session) {
  if (!session.reading) return;
  session.reading = false;
  try {
    session.connection->commit();
  } catch (...) {
    // Nothing was written: a read transaction that will not commit is
    // as well rolled back.
    try {
      session.connection->rollback();
    } catch (...) {
    }
  }
}

}  // namespace tarn

using tarn::Context;

extern "C" void tarn_set_context_type(int type, sqlca* ca) {
  if (type != TARN_CTX_MULTI_MANUAL)
    return tarn::fail(ca, "only manually managed multiple contexts are supported");
  tarn::succeed(ca);
}

extern "C" void tarn_begin_context(void** context, sqlca* ca) {
  if (context == nullptr) return tarn::fail(ca, "no place for the context handle");
  *context = nullptr;
  try {
    auto created = std::make_unique<Context>();
    tarn::Registry& registry = tarn::registry();
    std::lock_guard lock(registry.mutex);
    registry.live.insert(created.get());
    *context = created.release();
  } catch (...) {
    return tarn::fill_sqlca(ca, TARN_SQL_ENGINE_ERROR, "", "out of memory", tarn::kOwnEngineName);
  }
  tarn::succeed(ca);
}

extern "C" void tarn_attach_context(void* handle, sqlca* ca) {
  auto* context = static_cast<Context*>(handle);
  tarn::Registry& registry = tarn::registry();
  std::lock_guard lock(registry.mutex);
  if (!registry.live.contains(context)) return tarn::fail(ca, "not a context handle");
  if (tarn::current != nullptr && tarn::current != context)
    return tarn::fail(ca, "the thread is already attached to another context");
  if (context->attached_thread != std::thread::id() &&
      context->attached_thread != std::this_thread::get_id())
    return tarn::fail(ca, "the context is attached to another thread");
  context->attached_thread = std::this_thread::get_id();
  tarn::current = context;
  tarn::succeed(ca);
}

extern "C" void tarn_detach_context(void* handle, sqlca* ca) {
  auto* context = static_cast<Context*>(handle);
  tarn::Registry& registry = tarn::registry();
  std::lock_guard lock(registry.mutex);
  if (!registry.live.contains(context)) return tarn::fail(ca, "not a context handle");
  if (tarn::current != context) return tarn::fail(ca, "the context is not attached to this thread");
  context->attached_thread = std::thread::id();
  tarn::current = nullptr;
  tarn::succeed(ca);
}

extern "C" void tarn_end_context(void* handle, sqlca* ca) {
  auto* context = static_cast<Context*>(handle);
  {
    tarn::Registry& registry = tarn::registry();
    std::lock_guard lock(registry.mutex);
    if (!registry.live.contains(context)) return tarn::fail(ca, "not a context handle");
    if (context->attached_thread != std::thread::id())
      return tarn::fail(ca, "the context is still attached to a thread");
    registry.live.erase(context);
  }
  tarn::drop_session(*context);
  delete context;
  tarn::succeed(ca);
}
