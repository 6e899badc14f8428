// IRRepdatTable: existence, name and kind, repository id, and the searches
// by name pattern and kind list, on IRREPDAT.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <qelororm/corba.h>

#include <qeloridm/irstore.h>
#include <qeloridm/mrrepdat.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "irtable.h"
#include "sqltext.h"

namespace {

constexpr std::size_t kNameWidth = column_width::kName;
constexpr std::size_t kMaxPattern = 255;
constexpr std::size_t kMaxKindList = 31;
constexpr long kTypedef = 8;
// The kinds the typedef piece stands for: alias, struct, union and enum,
// each compared as its "%ld" text.
constexpr const char* kTypedefKinds = "9' OR KIND = '10' OR KIND = '11' OR KIND = '12";

[[noreturn]] void bad_param() { throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO); }

const char* checked_iid(const char* iid) {
  if (strnlen(iid, column_width::kIid + 1) > column_width::kIid) bad_param();
  return iid;
}

}  // namespace

void check_name_pattern(const char* pattern) {
  if (!pattern || strnlen(pattern, kMaxPattern + 1) > kMaxPattern) bad_param();
}

void check_kind_list(const char* kinds) {
  if (!kinds || strnlen(kinds, kMaxKindList + 1) > kMaxKindList) bad_param();
  // Only separators: no kind, and a statement that could not be completed.
  if (kinds[std::strspn(kinds, ":")] == '\0') bad_param();
}

void append_name_pattern(StatementText& sql, const char* pattern, bool caseSensitive) {
  check_name_pattern(pattern);
  std::size_t length = std::strlen(pattern);
  if (caseSensitive) {
    sql.value(pattern);
  } else {
    char upper[kMaxPattern + 1];
    for (std::size_t i = 0; i <= length; ++i) {
      char c = pattern[i];
      upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    sql.value(upper);
  }
  // NAME is blank-padded to its width: a pattern must match all of it.
  if (sql.last() != '%' && length < kNameWidth) sql.repeat(' ', kNameWidth - length);
}

void append_kind_clause(StatementText& sql, const char* kinds) {
  check_kind_list(kinds);
  std::size_t pieces = 0;
  sql.fragment("' AND (KIND = '");
  for (std::string_view rest(kinds); !rest.empty();) {
    std::string_view piece = rest.substr(0, rest.find(':'));
    rest.remove_prefix(std::min(rest.size(), piece.size() + 1));
    if (piece.empty()) continue;
    if (pieces++ > 0) sql.fragment(" OR KIND = '");
    char number[kMaxKindList + 1];  // the piece as text of its own, for atol
    piece.copy(number, piece.size());
    number[piece.size()] = '\0';
    if (std::atol(number) == kTypedef) {
      sql.fragment(kTypedefKinds);
    } else {
      sql.value(piece);
    }
    sql.fragment("'");
  }
  sql.fragment(")");
}

int IRRepdatTable::fetch_first(const StatementText& query, int count, char** columns,
                               int* lengths) {
  return session_errors_translated([&] {
    session->execute(query.c_str());
    return session->fetch(count, columns, lengths, 0);
  });
}

bool IRRepdatTable::exists_iid(IIDOctets* iid, int missing_action) {
  StatementText sql;
  sql.fragment("SELECT IID FROM IRREPDAT WHERE IID = '").value(iid_text(iid)).fragment("'");
  char found[Irrepdat::kIidSize];
  char* column = found;
  int length = sizeof found;
  if (fetch_first(sql, 1, &column, &length)) return true;
  if (missing_action == 1) throw IRStore::IncoherentIR();
  throw IRStore::NotExist();
}

IIDList* IRRepdatTable::find_by_name(const char* pattern, const char* kinds, bool caseSensitive) {
  StatementText sql;
  sql.fragment(caseSensitive ? "SELECT IID FROM IRREPDAT WHERE NAME LIKE '"
                             : "SELECT IID FROM IRREPDAT WHERE UCASE(NAME) LIKE '");
  append_name_pattern(sql, pattern, caseSensitive);
  append_kind_clause(sql, kinds);
  return gather_iids(sql);
}

void IRRepdatTable::name_and_kind(const char* iid, char* name, char* kind) {
  StatementText sql;
  sql.fragment("SELECT NAME, KIND FROM IRREPDAT WHERE IID = '").value(checked_iid(iid)).fragment("'");
  char* columns[] = {name, kind};
  int lengths[] = {Irrepdat::kNameSize, Irrepdat::kKindSize};
  fetch_first(sql, 2, columns, lengths);
}

void IRRepdatTable::repid_of(const char* iid, char* repid) {
  StatementText sql;
  sql.fragment("SELECT REPID FROM IRREPDAT WHERE IID = '").value(checked_iid(iid)).fragment("'");
  int length = Irrepdat::kRepidSize;
  fetch_first(sql, 1, &repid, &length);
}

bool IRRepdatTable::match_name_and_kind(IIDOctets* iid, const char* pattern, const char* kinds,
                                        bool caseSensitive) {
  StatementText sql;
  sql.fragment("SELECT IID FROM IRREPDAT WHERE IID = '").value(iid_text(iid)).fragment("' AND ");
  sql.fragment(caseSensitive ? "NAME LIKE '" : "UCASE(NAME) LIKE '");
  append_name_pattern(sql, pattern, caseSensitive);
  append_kind_clause(sql, kinds);
  char found[Irrepdat::kIidSize];
  char* column = found;
  int length = sizeof found;
  return fetch_first(sql, 1, &column, &length) != 0;
}

bool IRRepdatTable::match_kind(IIDOctets* iid, const char* kinds) {
  StatementText sql;
  sql.fragment("SELECT IID FROM IRREPDAT WHERE IID = '").value(iid_text(iid));
  append_kind_clause(sql, kinds);
  char found[Irrepdat::kIidSize];
  char* column = found;
  int length = sizeof found;
  return fetch_first(sql, 1, &column, &length) != 0;
}

char* stored_repository_id(IRRepdatTable& table, const char* iid) {
  char repid[Irrepdat::kRepidSize] = "";
  failure_is_incoherent([&] { table.repid_of(iid, repid); });
  if (repid[0] == '\0') throw IRStore::IncoherentIR();
  char* copy = CORBA::string_dup(repid);
  if (!copy) throw IRStore::OutOfMemory();
  return copy;
}
