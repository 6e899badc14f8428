#include "tool_error.h"

#include <exception>

#include <qeloridm/irdb_admin.h>
#include <qeloridm/irstore.h>
#include <qelororm/corba.h>

namespace {

std::string one_line(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

std::string store_failure(const StoreErrorFields& e) {
  std::string what;
  switch (e.code) {
    case 1: what = "an entry with the same key is stored already"; break;
    case 2: what = "a definition it needs is not stored"; break;
    case 4: what = "the repository's rows contradict each other"; break;
    case 6: what = "out of memory"; break;
    default: what = "the database failed"; break;
  }
  if (e.message && *e.message) what += ": " + one_line(e.message);
  return what;
}

}  // namespace

bool lost_race_to_another_writer() {
  try {
    throw;
  } catch (const StoreErrorFields& e) {
    return IRDBAdmin::lost_to_another_writer(e);
  } catch (...) {
    return false;
  }
}

std::string describe_current_exception() {
  try {
    throw;
  } catch (const ToolError& e) {
    return e.what();
  } catch (const StoreErrorFields& e) {
    return store_failure(e);
  } catch (const CORBA::BAD_PARAM&) {
    return "the store refused a value (a name, repository id or state longer than it keeps)";
  } catch (const CORBA::SystemException& e) {
    return std::string("the store raised CORBA::") + e._name();
  } catch (const std::bad_alloc&) {
    return "out of memory";
  } catch (const std::exception& e) {
    return one_line(e.what());
  } catch (...) {
    return "an unknown failure";
  }
}
