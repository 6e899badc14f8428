// Uses the installed headers and libraries: computes an IID and says where
// the default alias's repository lives.
#include <cstdio>
#include <cstring>

#include <qelororm/corba.h>
#include <qeloridm/irdb.h>
#include <qeloridm/storehnd.h>
#include <qeloridm/irdb_admin.h>

int main() {
  StoreHandle handle(CORBA::string_dup("abc"), nullptr, 1);
  const char* iid = reinterpret_cast<const char*>(handle.iid->get_buffer());
  std::printf("%s %s\n", iid, IRDBAdmin::location("VADIRIRI").c_str());
  return std::strcmp(iid, "900150983cd24fb0d6963f7d28e17f72") == 0 ? 0 : 1;
}
