// The two IID columns of each relation record, set in the table's column
// order, so that operations can treat the three tables alike.
#pragma once

#include <qeloridm/mrbucket.h>
#include <qeloridm/mrinher.h>
#include <qeloridm/mrrefer.h>

inline void set_iids(Irbucket& row, const char* bucket, const char* member) {
  row.setBucketiid(bucket);
  row.setIid(member);
}
inline void set_iids(Irinher& row, const char* derived, const char* base) {
  row.setIid(derived);
  row.setParentiid(base);
}
inline void set_iids(Irrefer& row, const char* referrer, const char* referred) {
  row.setIid(referrer);
  row.setRefertoiid(referred);
}
