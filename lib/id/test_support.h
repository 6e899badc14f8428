// Helpers for the store's tests: raw reads of the tables through the
// session, and rows made through the records.
#pragma once

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <qelororm/corba.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>

#include "irdatabase.h"
#include "irdb_lock.h"

using Rows = std::vector<std::vector<std::string>>;

inline IRDataBase& test_session() { return current_session_or_fail(); }

// Every row of a query, read with mode 1 and then mode 2.
inline Rows query_rows(const std::string& sql, int columns) {
  std::vector<std::vector<char>> storage(columns, std::vector<char>(Irrepdat::kStreamSize));
  std::vector<char*> buffers;
  for (auto& column : storage) buffers.push_back(column.data());
  std::vector<int> lengths(columns);
  test_session().execute(sql.c_str());
  Rows rows;
  for (int mode = 1;; mode = 2) {
    for (int& length : lengths) length = Irrepdat::kStreamSize;
    if (!test_session().fetch(columns, buffers.data(), lengths.data(), mode)) break;
    std::vector<std::string> row;
    for (int i = 0; i < columns; ++i) row.emplace_back(buffers[i], lengths[i]);
    rows.push_back(row);
  }
  return rows;
}

// Every row of the four tables, sorted, as one text: two snapshots are
// equal exactly when the repository is.
inline std::string table_snapshot() {
  std::string text;
  for (const char* table : {"IRREPDAT", "IRBUCKET", "IRINHER", "IRREFER"}) {
    Rows rows = query_rows(std::string("SELECT * FROM ") + table, 5);
    std::sort(rows.begin(), rows.end());
    for (const auto& row : rows) {
      for (const auto& column : row) text += column + "|";
      text += "\n";
    }
  }
  return text;
}

inline int count_rows(const std::string& table) {
  return static_cast<int>(query_rows("SELECT * FROM " + table, 1).size());
}

// The IID of a repository id.
inline std::string iid_of(const std::string& repid) {
  StoreHandle handle(CORBA::string_dup(repid.c_str()), nullptr, 1);
  return reinterpret_cast<const char*>(handle.iid->get_buffer());
}

// An IID octet sequence holding text (the IID's width and a NUL).
inline _IDL_SEQUENCE_CORBA_Char_7 iid_octets(const std::string& text) {
  constexpr int kSize = column_width::kIid + 1;
  _IDL_SEQUENCE_CORBA_Char_7 octets(kSize);
  octets.length(kSize);
  std::snprintf(reinterpret_cast<char*>(octets.get_buffer()), kSize, "%s", text.c_str());
  return octets;
}

// Stores an IRREPDAT row for the repository id and returns its IID.
inline std::string add_object(const std::string& repid, const std::string& name, int kind,
                              const std::string& stream = "00") {
  Irrepdat row;
  std::string iid = iid_of(repid);
  row.setIid(iid.c_str());
  row.setRepid(repid.c_str());
  row.setName(name.c_str());
  row.setKind(std::to_string(kind).c_str());
  row.setStream(stream.c_str());
  row.add();
  return iid;
}

#include <map>
#include <memory>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>

#include "owned.h"

// Tests reach the store's private walk through this.
class IRDBInternals {
 public:
  static _IDL_SEQUENCE_sequence_CORBA_Char_7_0* walk(IRDB& store, _IDL_SEQUENCE_CORBA_Char_7* start,
                                                     int levels, bool references, bool inheritance,
                                                     bool containment, bool referencesDirection,
                                                     bool inheritanceDirection,
                                                     bool containmentDirection,
                                                     _IDL_SEQUENCE_CORBA_Char_7* target = nullptr) {
    CSGuard guard(&store.csMutex);  // a walk runs under the store lock
    return store.search_recursive(start, levels, references, inheritance, containment,
                                  referencesDirection, inheritanceDirection, containmentDirection,
                                  target);
  }
  static IRDataBase* session(IRDB& store) { return store.database; }
};

// A handle with the repository id only.
inline std::unique_ptr<StoreHandle> handle_of(const std::string& repid) {
  return std::make_unique<StoreHandle>(CORBA::string_dup(repid.c_str()), nullptr, 0);
}

// Builds small repositories through the store itself: each definition is
// created and put into its container (the root repository by default).
class RepositoryBuilder {
 public:
  // Creates the root repository unless it is stored.
  explicit RepositoryBuilder(IRDB& store) : store_(store) {
    if (store_.kind_from_ID(handle_of(CORBA_Repository_Impl::kRepositoryId).get()) != CORBA::dk_none) return;
    ObjectReference<CORBA_Repository_Impl> root(new CORBA_Repository_Impl());
    create(root.get());
  }

  // Creates an object of class T named name, with repository id repid,
  // inside container (a repository id; empty: the root).
  template <class T>
  std::string define(const std::string& name, const std::string& repid,
                     const std::string& container = "") {
    ObjectReference<T> object(new T(name.c_str(), repid.c_str()));
    create(object.get());
    contain(repid, container.empty() ? CORBA_Repository_Impl::kRepositoryId : container);
    return repid;
  }
  void contain(const std::string& member, const std::string& container) {
    store_.add_to_bucket(handle_of(member).get(), handle_of(container).get());
  }
  void inherit(const std::string& derived, const std::string& base) {
    store_.add_inheritance(handle_of(derived).get(), handle_of(base).get());
  }
  void refer(const std::string& referrer, const std::string& referred) {
    store_.add_reference(handle_of(referrer).get(), handle_of(referred).get());
  }

 private:
  void create(CORBA_Contained_Impl* object) {
    EncapIIOP stream(ENCAP_WRITE);
    object->object_to_stream(stream);
    store_.create(object, stream);
  }
  IRDB& store_;
};

// The repository ids of a sequence of objects, in its order; releases it.
inline std::vector<std::string> repids_of(CORBA::_IDL_SEQUENCE_CORBA_Contained_0* raw) {
  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_Contained_0> objects(raw);
  std::vector<std::string> repids;
  for (CORBA::ULong i = 0; i < objects->length(); ++i) {
    CorbaString id((*objects)[i]->id());
    repids.emplace_back(id.get());
  }
  return repids;
}

// The texts of an IID list, in its order; releases it.
inline std::vector<std::string> iids_of(_IDL_SEQUENCE_sequence_CORBA_Char_7_0* raw) {
  std::unique_ptr<_IDL_SEQUENCE_sequence_CORBA_Char_7_0> list(raw);
  std::vector<std::string> iids;
  for (CORBA::ULong i = 0; i < list->length(); ++i) {
    iids.emplace_back(reinterpret_cast<const char*>((*list)[i].get_buffer()));
  }
  return iids;
}
