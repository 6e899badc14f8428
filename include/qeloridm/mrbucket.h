// Irbucket: one row of IRBUCKET, containment. The object IID is contained
// in the container BUCKETIID; KEYFIELD is BUCKETIID followed by IID.
#pragma once

#include <qeloridm/mrrelation.h>
#include <qeloridm/export.h>

class QELORIDM_EXPORT Irbucket : public IrRelation {
 public:
  Irbucket();
  void setBucketiid(const char* text) { setFirst(text); }
  void setIid(const char* text) { setSecond(text); }
  const char* bucketiid() const { return first(); }
  const char* iid() const { return second(); }
};
