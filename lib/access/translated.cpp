#include "translated.h"

#include <new>

#include <qeloridm/irstore.h>
#include <qelororm/vekd.h>

namespace irstore::access {

namespace {

std::string store_message(const std::string& what, const StoreErrorFields& e) {
  std::string text = what + ": ";
  if (e.message) return text + e.message;
  return text + "store failure code " + std::to_string(e.code) + " (SQLSTATE " + e.sqlstate + ")";
}

// The engine's codes for a lost connection, SQL1223N to SQL1225N, as the
// session's error carries them, or as its message does once the store has
// turned it into one of its own exceptions.
bool connection_lost(const StoreErrorFields& e) {
  if (e.code >= -1225 && e.code <= -1223) return true;
  if (!e.message) return false;
  std::string message = e.message;
  for (const char* code : {"SQL1223N", "SQL1224N", "SQL1225N"}) {
    if (message.find(code) != std::string::npos) return true;
  }
  return false;
}

Error failure(const std::string& what, const StoreErrorFields& e) {
  return Error(connection_lost(e) ? Error::Reason::Unreachable : Error::Reason::Failure, store_message(what, e));
}

void discard_report(const VekdReport&, void*) {}

}  // namespace

void report_failures_as_they_happen(bool on) { vekdSetErrorSink(on ? nullptr : discard_report, nullptr); }

Error::Error(Reason reason, const std::string& message) : std::runtime_error(message), reason_(reason) {}

Error::~Error() = default;

Error translated_current_exception(const std::string& what) {
  using Reason = Error::Reason;
  try {
    throw;
  } catch (const Error& e) {
    return e;
  } catch (const IRStore::NotExist& e) {
    return Error(Reason::NotFound, store_message(what, e));
  } catch (const IRStore::IncoherentIR& e) {
    return Error(Reason::Incoherent, store_message(what, e));
  } catch (const IRStore::Exception& e) {
    return failure(what, e);
  } catch (const IRSError& e) {
    return failure(what, e);
  } catch (const CORBA::BAD_PARAM&) {
    return Error(Reason::BadInput, what + ": an argument the store cannot take");
  } catch (const CORBA::MARSHAL&) {
    return Error(Reason::Incoherent, what + ": a stored state that does not decode");
  } catch (const CORBA::Exception& e) {
    return Error(Reason::Failure, what + ": " + e._name());
  } catch (const std::bad_alloc&) {
    return Error(Reason::Failure, what + ": out of memory");
  } catch (const std::exception& e) {
    return Error(Reason::Failure, what + ": " + e.what());
  } catch (...) {
    return Error(Reason::Failure, what + ": an unknown failure");
  }
}

}  // namespace irstore::access
