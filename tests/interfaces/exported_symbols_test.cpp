// Each shared library exports what its public headers declare and nothing
// else: every defined dynamic symbol must be named by the headers of the
// library or of the libraries its headers build on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exported_symbols.h"

namespace {

struct Library {
  const char* file;
  std::vector<std::string> header_dirs;  // its own first
};

std::string headers(const char* library) { return std::string(SOURCE_DIR) + "/include/" + library; }

const std::vector<Library>& libraries() {
  static const std::vector<Library> all = {
      {QELORORM_LIBRARY, {headers("qelororm")}},
      {TARN_LIBRARY, {headers("tarn")}},
      {QELORIRM_LIBRARY, {headers("qelorirm"), headers("qelororm")}},
      {QELORIDM_LIBRARY, {headers("qeloridm"), headers("qelorirm"), headers("qelororm")}},
  };
  return all;
}

TEST(ExportedSymbols, EveryLibraryExportsOnlyWhatItsPublicHeadersDeclare) {
  for (const Library& library : libraries()) {
    Declarations declarations = header_declarations(library.header_dirs);
    auto symbols = exported_symbols(library.file);
    EXPECT_GT(symbols.size(), 10u) << library.file;
    for (const auto& [type, name] : symbols) {
      EXPECT_TRUE(is_declared(type, name, declarations)) << library.file << ": " << type << " " << name;
    }
  }
}

TEST(ExportedSymbols, TheInterfaceIsThereAndTheInternalsAreNot) {
  auto exports = [](const char* file, const std::string& name) {
    for (const auto& symbol : exported_symbols(file)) {
      if (symbol.second.rfind(name, 0) == 0) return true;
    }
    return false;
  };
  EXPECT_TRUE(exports(QELORIDM_LIBRARY, "IRDB::move("));
  EXPECT_TRUE(exports(QELORIDM_LIBRARY, "typeinfo for IRStore::NotExist"));
  EXPECT_TRUE(exports(TARN_LIBRARY, "tarn_connect"));
  EXPECT_TRUE(exports(QELORORM_LIBRARY, "CORBA::string_dup("));
  EXPECT_TRUE(exports(QELORIRM_LIBRARY, "make_object("));
  EXPECT_FALSE(exports(QELORIDM_LIBRARY, "set_statement_observer("));
  EXPECT_FALSE(exports(QELORIDM_LIBRARY, "IRDataBase::"));
  EXPECT_FALSE(exports(TARN_LIBRARY, "tarn::"));
}

TEST(ExportedSymbols, TheCheckTellsDeclaredFromUndeclared) {
  Declarations declarations = header_declarations({headers("qeloridm"), headers("qelororm")});
  EXPECT_TRUE(is_declared("T", "IRDB::move(StoreHandle*, StoreHandle*, char*)", declarations));
  EXPECT_TRUE(is_declared("V", "vtable for IRStore::NotExist", declarations));
  EXPECT_TRUE(is_declared("T", "IRDBAdmin::location[abi:cxx11](char const*)", declarations));
  EXPECT_TRUE(is_declared("T", "_IDL_SEQUENCE_CORBA_Char_7::operator=(_IDL_SEQUENCE_CORBA_Char_7 const&)",
                          declarations));
  EXPECT_TRUE(is_declared("W", "void std::vector<char, std::allocator<char> >::_M_realloc_insert<char>(char&&)",
                          declarations));
  EXPECT_TRUE(is_declared("B", "__odr_asan.QELMutexTrace", declarations));  // the sanitized builds' own
  EXPECT_FALSE(is_declared("T", "set_statement_observer(void (*)(StatementEvent const&, void*), void*)",
                           declarations));
  EXPECT_FALSE(is_declared("T", "IRDataBase::fetch(int, char**, int*, int)", declarations));
  EXPECT_FALSE(is_declared("T", "std::string internal_helper[abi:cxx11](int)", declarations));
  // A standard library function that the library defines for good is not an instance.
  EXPECT_FALSE(is_declared("T", "std::hash<IRDataBase>::operator()(IRDataBase const&) const", declarations));
}

}  // namespace
