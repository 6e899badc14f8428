// Irrefer: one row of IRREFER, references. The object IID refers to
// REFERTOIID; KEYFIELD is IID followed by REFERTOIID.
#pragma once

#include <qeloridm/mrrelation.h>
#include <qeloridm/export.h>

class QELORIDM_EXPORT Irrefer : public IrRelation {
 public:
  Irrefer();
  void setIid(const char* text) { setFirst(text); }
  void setRefertoiid(const char* text) { setSecond(text); }
  const char* iid() const { return first(); }
  const char* refertoiid() const { return second(); }
};
