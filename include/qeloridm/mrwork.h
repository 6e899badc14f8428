// Irwork: one IID of the work set, the in-memory set of IIDs that the
// relation walks use as their visited set. The set belongs to the session
// that connected last; it is kept in ascending byte order of the IID text
// and never holds an IID twice. No SQL is involved.
#pragma once

#include <qeloridm/column_widths.h>
#include <qeloridm/export.h>

class QELORIDM_EXPORT Irwork {
 public:
  Irwork();
  ~Irwork();
  Irwork(const Irwork&) = delete;
  Irwork& operator=(const Irwork&) = delete;

  void setIid(const char* text);
  const char* iid() const { return iid_; }

  // Returns when the IID is in the set; IRStore::NotExist otherwise.
  void retrieve();
  // Always 1; there is nothing to fetch.
  int fetch();
  // Links the IID in at its place; IRStore::Duplicate when it is there.
  void add();
  // The IID must be in the set (IRStore::NotExist); the set is unchanged.
  void update();
  // Unlinks the IID; IRStore::NotExist when it is not in the set.
  void del();
  char* forDisplay();

  static constexpr int kIidSize = column_width::kIid + 1;  // NUL included

 private:
  char* storage;  // the one column buffer
  char* iid_;
  char display_text[36];
};
