// The work set: the IIDs that a walk has reached, in ascending byte order
// of their text, never one twice. The session holds it
// (IRDataBase::work_set); Irwork and IRWorkTable read and change it, and
// the walks add IIDs by the thousand: an ordered tree keeps each test and
// insert logarithmic, so that a walk reaching n IIDs costs O(n log n).
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <set>

#include <qeloridm/column_widths.h>

class WorkSet {
 public:
  static constexpr std::size_t kIidSize = column_width::kIid + 1;  // NUL included
  using Iid = std::array<char, kIidSize>;

  // An IID wider than the column is CORBA::BAD_PARAM; a set that cannot
  // grow is IRStore::OutOfMemory.
  bool holds(const char* iid) const;
  bool add(const char* iid);     // false when it was there already
  bool remove(const char* iid);  // false when it was not there
  void clear() noexcept { iids_.clear(); }

  // Byte order, as strcmp compares (char may be signed; bytes are not).
  struct ByteOrder {
    bool operator()(const Iid& a, const Iid& b) const {
      return std::memcmp(a.data(), b.data(), kIidSize) < 0;
    }
  };

  // In ascending order.
  using const_iterator = std::set<Iid, ByteOrder>::const_iterator;
  const_iterator begin() const { return iids_.begin(); }
  const_iterator end() const { return iids_.end(); }
  std::size_t size() const { return iids_.size(); }

 private:
  // The text with zeros after its NUL, so that keys compare as texts do.
  static Iid key_of(const char* iid);
  std::set<Iid, ByteOrder> iids_;
};

// The same operations on the current session's set, for the walks, which
// test and add where Irwork would raise.
bool work_set_holds(const char* iid);
bool work_set_add(const char* iid);
