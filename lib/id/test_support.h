// Helpers for the store's tests: raw reads of the tables through the
// session, and rows made through the records.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <qelororm/corba.h>
#include <qeloridm/mrrepdat.h>
#include <qeloridm/storehnd.h>

#include "irdatabase.h"

using Rows = std::vector<std::vector<std::string>>;

inline IRDataBase& test_session() { return current_session_or_fail(); }

// Every row of a query, read with mode 1 and then mode 2.
inline Rows query_rows(const std::string& sql, int columns) {
  std::vector<std::vector<char>> storage(columns, std::vector<char>(32701));
  std::vector<char*> buffers;
  for (auto& column : storage) buffers.push_back(column.data());
  std::vector<int> lengths(columns);
  test_session().execute(sql.c_str());
  Rows rows;
  for (int mode = 1;; mode = 2) {
    for (int& length : lengths) length = 32701;
    if (!test_session().fetch(columns, buffers.data(), lengths.data(), mode)) break;
    std::vector<std::string> row;
    for (int i = 0; i < columns; ++i) row.emplace_back(buffers[i], lengths[i]);
    rows.push_back(row);
  }
  return rows;
}

inline int count_rows(const std::string& table) {
  return static_cast<int>(query_rows("SELECT * FROM " + table, 1).size());
}

// The IID of a repository id.
inline std::string iid_of(const std::string& repid) {
  StoreHandle handle(CORBA::string_dup(repid.c_str()), nullptr, 1);
  return reinterpret_cast<const char*>(handle.iid->get_buffer());
}

// An IID octet sequence holding text (33 octets, NUL last).
inline _IDL_SEQUENCE_CORBA_Char_7 iid_octets(const std::string& text) {
  _IDL_SEQUENCE_CORBA_Char_7 octets(33);
  octets.length(33);
  std::snprintf(reinterpret_cast<char*>(octets.get_buffer()), 33, "%s", text.c_str());
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
