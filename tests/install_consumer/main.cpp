// Uses the installed headers and libraries: computes an IID and resolves
// the default alias through the engine.
#include <cstdio>
#include <cstring>

#include <qelororm/corba.h>
#include <qeloridm/irdb.h>
#include <qeloridm/storehnd.h>
#include <tarn/tarn.h>

int main() {
  StoreHandle handle(CORBA::string_dup("abc"), nullptr, 1);
  const char* iid = reinterpret_cast<const char*>(handle.iid->get_buffer());
  char where[512];
  tarn_resolve_alias("VADIRIRI", where, sizeof where);
  std::printf("%s %s\n", iid, where);
  return std::strcmp(iid, "900150983cd24fb0d6963f7d28e17f72") == 0 ? 0 : 1;
}
