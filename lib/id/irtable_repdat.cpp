// IRRepdatTable: existence, name and kind, repository id, and the searches
// by name pattern and kind list, on IRREPDAT.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <qelororm/corba.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include <qeloridm/irstore.h>
#include "irtable.h"
#include "sqltext.h"

namespace {

constexpr std::size_t kNameWidth = 254;
constexpr std::size_t kMaxPattern = 255;
constexpr std::size_t kMaxKindList = 31;
constexpr long kTypedef = 8;
constexpr long kTypedefKinds[] = {9, 10, 11, 12};  // alias, struct, union, enum

[[noreturn]] void bad_param() { throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO); }

const char* checked_iid(const char* iid) {
  if (strnlen(iid, 33) > 32) bad_param();
  return iid;
}

}  // namespace

void append_name_pattern(StatementText& sql, const char* pattern, bool caseSensitive) {
  std::size_t length = std::strlen(pattern);
  if (length > kMaxPattern) bad_param();
  if (caseSensitive) {
    sql.value(pattern);
  } else {
    std::string upper(pattern);
    for (char& c : upper) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    sql.value(upper.c_str());
  }
  // NAME is blank-padded to its width: a pattern must match all of it.
  if (sql.last() != '%' && length < kNameWidth) sql.repeat(' ', kNameWidth - length);
}

void append_kind_clause(StatementText& sql, const char* kinds) {
  if (std::strlen(kinds) > kMaxKindList) bad_param();
  std::string list(kinds);
  std::size_t pieces = 0;
  sql.fragment("' AND (KIND = '");
  for (std::size_t start = 0; start <= list.size();) {
    std::size_t end = list.find(':', start);
    if (end == std::string::npos) end = list.size();
    std::string piece = list.substr(start, end - start);
    start = end + 1;
    if (piece.empty()) continue;
    if (pieces++ > 0) sql.fragment(" OR KIND = '");
    if (std::atol(piece.c_str()) == kTypedef) {
      for (long kind : kTypedefKinds) {
        if (kind != kTypedefKinds[0]) sql.fragment("' OR KIND = '");
        sql.fragment(std::to_string(kind).c_str());
      }
      sql.fragment("'");
    } else {
      sql.value(piece.c_str()).fragment("'");
    }
  }
  if (pieces == 0) bad_param();  // no kind: the statement could not be completed
  sql.fragment(")");
}

int IRRepdatTable::fetch_first(const StatementText& query, int count, char** columns,
                               int* lengths) {
  try {
    session->execute(query.c_str());
    return session->fetch(count, columns, lengths, 0);
  } catch (IRSError& e) {
    raise_translated(e);
  }
}

bool IRRepdatTable::exists_iid(IIDOctets* iid, int missing_action) {
  StatementText sql;
  sql.fragment("SELECT IID FROM IRREPDAT WHERE IID = '").value(iid_text(iid)).fragment("'");
  char found[33];
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
  int lengths[] = {255, 13};
  fetch_first(sql, 2, columns, lengths);
}

void IRRepdatTable::repid_of(const char* iid, char* repid) {
  StatementText sql;
  sql.fragment("SELECT REPID FROM IRREPDAT WHERE IID = '").value(checked_iid(iid)).fragment("'");
  int length = 4096;
  fetch_first(sql, 1, &repid, &length);
}

bool IRRepdatTable::match_name_and_kind(IIDOctets* iid, const char* pattern, const char* kinds,
                                        bool caseSensitive) {
  StatementText sql;
  sql.fragment("SELECT IID FROM IRREPDAT WHERE IID = '").value(iid_text(iid)).fragment("' AND ");
  sql.fragment(caseSensitive ? "NAME LIKE '" : "UCASE(NAME) LIKE '");
  append_name_pattern(sql, pattern, caseSensitive);
  append_kind_clause(sql, kinds);
  char found[33];
  char* column = found;
  int length = sizeof found;
  return fetch_first(sql, 1, &column, &length) != 0;
}

bool IRRepdatTable::match_kind(IIDOctets* iid, const char* kinds) {
  StatementText sql;
  sql.fragment("SELECT IID FROM IRREPDAT WHERE IID = '").value(iid_text(iid));
  append_kind_clause(sql, kinds);
  char found[33];
  char* column = found;
  int length = sizeof found;
  return fetch_first(sql, 1, &column, &length) != 0;
}

char* stored_repository_id(IRRepdatTable& table, const char* iid) {
  char repid[4096] = "";
  try {
    table.repid_of(iid, repid);
  } catch (IRStore::Exception& e) {
    rethrow_if_sql_error(e);
    throw IRStore::IncoherentIR();
  }
  if (repid[0] == '\0') throw IRStore::IncoherentIR();
  char* copy = CORBA::string_dup(repid);
  if (!copy) throw IRStore::OutOfMemory();
  return copy;
}
