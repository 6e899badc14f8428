// Irinher: one row of IRINHER, inheritance. The interface IID inherits from
// PARENTIID; KEYFIELD is IID followed by PARENTIID.
#pragma once

#include <qeloridm/mrrelation.h>
#include <qeloridm/export.h>

class QELORIDM_EXPORT Irinher : public IrRelation {
 public:
  Irinher();
  void setIid(const char* text) { setFirst(text); }
  void setParentiid(const char* text) { setSecond(text); }
  const char* iid() const { return first(); }
  const char* parentiid() const { return second(); }
};
