// The table-access objects of the relation tables and the work set, and
// what every table-access object shares.
#include "irtable.h"

#include <cstring>
#include <memory>
#include <new>

#include <qeloridm/column_widths.h>
#include <qeloridm/irdb.h>

#include "irdatabase.h"
#include "irdb_errors.h"
#include "irdb_results.h"
#include "sqltext.h"
#include "work_set.h"

namespace {

constexpr CORBA::ULong kFirstMaximum = 10;

constexpr RelationQueries kBucketQueries = {
    "SELECT IID FROM IRBUCKET WHERE BUCKETIID = '",
    "SELECT BUCKETIID FROM IRBUCKET WHERE IID = '",
    "DELETE FROM IRBUCKET WHERE IID = '",
};
constexpr RelationQueries kInherQueries = {
    "SELECT PARENTIID FROM IRINHER WHERE IID = '",
    "SELECT IID FROM IRINHER WHERE PARENTIID = '",
    "DELETE FROM IRINHER WHERE IID = '",
};
constexpr RelationQueries kReferQueries = {
    "SELECT REFERTOIID FROM IRREFER WHERE IID = '",
    "SELECT IID FROM IRREFER WHERE REFERTOIID = '",
    "DELETE FROM IRREFER WHERE IID = '",
};

std::unique_ptr<IIDList> new_list() {
  auto* list = new (std::nothrow) IIDList(kFirstMaximum);
  if (!list) throw IRStore::OutOfMemory();
  return std::unique_ptr<IIDList>(list);
}

// Makes element `index` an IID buffer (the text and its NUL) that a fetch (or a copy) can fill,
// growing the list when the index reaches its maximum.
char* slot(IIDList& list, CORBA::ULong index) {
  if (index == list.maximum()) {
    list.length(grown_maximum(index));
    list.length(index);
  }
  list[index].length(column_width::kIid + 1);
  return reinterpret_cast<char*>(list[index].get_buffer());
}

}  // namespace

const char* iid_text(const IIDOctets* iid) {
  // The text must end inside the octets: one without its NUL would be read
  // past the end of the buffer, by this check and by every statement.
  const auto* text = reinterpret_cast<const char*>(iid ? iid->get_buffer() : nullptr);
  std::size_t length = text ? iid->length() : 0;
  std::size_t characters = length > 0 ? strnlen(text, length) : 0;
  if (characters == length || characters > column_width::kIid) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  return text;
}

// ---- IRTable ------------------------------------------------------------------

IRTable::IRTable(const char*, IRDB* owner) : session(owner->database) {}

bool IRTable::exists_iid(IIDOctets*, int) { return false; }
IIDList* IRTable::find_by_name(const char*, const char*, bool) { return nullptr; }
void IRTable::name_and_kind(const char*, char*, char*) {}
void IRTable::repid_of(const char*, char*) {}
bool IRTable::match_name_and_kind(IIDOctets*, const char*, const char*, bool) { return false; }
bool IRTable::match_kind(IIDOctets*, const char*) { return false; }

char* IRTable::make_key(const char* first, const char* second) {
  // Exactly 32 characters are read from each: anything shorter would be
  // read past its end.
  if (strnlen(first, column_width::kIid) < column_width::kIid || strnlen(second, column_width::kIid) < column_width::kIid) {
    throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  }
  char* key = new (std::nothrow) char[2 * column_width::kIid + 1];
  if (!key) throw IRStore::OutOfMemory();
  std::memcpy(key, first, column_width::kIid);
  std::memcpy(key + column_width::kIid, second, column_width::kIid);
  key[2 * column_width::kIid] = '\0';
  return key;
}

IIDList* IRTable::gather_iids(const StatementText& query) {
  std::unique_ptr<IIDList> result = new_list();
  session_errors_translated([&] {
    session->execute(query.c_str());
    CORBA::ULong count = 0;
    for (int mode = 1;; mode = 2) {
      char* column = slot(*result, count);
      int length = column_width::kIid + 1;
      if (!session->fetch(1, &column, &length, mode)) break;
      result->length(++count);
    }
  });
  return result.release();
}

IIDList* IRTable::related_rows(const RelationQueries& queries, IIDOctets* iid, bool direction) {
  StatementText sql;
  sql.fragment(direction ? queries.forward : queries.backward).value(iid_text(iid)).fragment("'");
  return gather_iids(sql);
}

void IRTable::delete_rows(const RelationQueries& queries, IIDOctets* iid) {
  StatementText sql;
  sql.fragment(queries.remove).value(iid_text(iid)).fragment("'");
  session_errors_translated([&] { session->execute(sql.c_str()); });
}

// ---- The relation tables ------------------------------------------------------------

IIDList* IRBucketTable::related_iids(IIDOctets* iid, bool direction) {
  return related_rows(kBucketQueries, iid, direction);
}
void IRBucketTable::remove_all(IIDOctets* iid) { delete_rows(kBucketQueries, iid); }

IIDList* IRInherTable::related_iids(IIDOctets* iid, bool direction) {
  return related_rows(kInherQueries, iid, direction);
}
void IRInherTable::remove_all(IIDOctets* iid) { delete_rows(kInherQueries, iid); }

IIDList* IRReferTable::related_iids(IIDOctets* iid, bool direction) {
  return related_rows(kReferQueries, iid, direction);
}
void IRReferTable::remove_all(IIDOctets* iid) { delete_rows(kReferQueries, iid); }

// ---- The work set ---------------------------------------------------------------------

IIDList* IRWorkTable::list_all(IIDOctets*, bool) {
  std::unique_ptr<IIDList> result = new_list();
  CORBA::ULong count = 0;
  for (const WorkSet::Iid& iid : session->work_set) {
    std::memcpy(slot(*result, count), iid.data(), column_width::kIid + 1);
    result->length(++count);
  }
  return result.release();
}

void IRWorkTable::clear_all() { session->work_set.clear(); }
