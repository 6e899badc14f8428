// Irwork: one IID of the work set, which lives in memory beside the session.
#include <qeloridm/mrwork.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <set>

#include <qelororm/corba.h>
#include <qeloridm/irstore.h>

#include "irdatabase.h"
#include "work_set.h"

WorkSet::Iid WorkSet::key_of(const char* iid) {
  std::size_t length = std::strlen(iid);
  if (length >= kIidSize) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  Iid key{};
  std::memcpy(key.data(), iid, length);
  return key;
}

bool WorkSet::holds(const char* iid) const { return iids_.contains(key_of(iid)); }

bool WorkSet::add(const char* iid) {
  Iid key = key_of(iid);
  try {
    return iids_.insert(key).second;
  } catch (const std::bad_alloc&) {
    throw IRStore::OutOfMemory();
  }
}

bool WorkSet::remove(const char* iid) { return iids_.erase(key_of(iid)) != 0; }

namespace {

WorkSet& work_set() { return current_session_or_fail().work_set; }

}  // namespace

bool work_set_holds(const char* iid) { return work_set().holds(iid); }
bool work_set_add(const char* iid) { return work_set().add(iid); }

Irwork::Irwork() {
  storage = new (std::nothrow) char[kIidSize];
  if (!storage) throw IRStore::OutOfMemory();
  iid_ = storage;
  *iid_ = '\0';
  display_text[0] = '\0';
}

Irwork::~Irwork() { delete[] storage; }

void Irwork::setIid(const char* text) {
  std::size_t length = std::strlen(text);
  if (length >= kIidSize) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  std::memcpy(iid_, text, length + 1);
}

void Irwork::retrieve() {
  if (!work_set_holds(iid_)) throw IRStore::NotExist();
}

int Irwork::fetch() { return 1; }

void Irwork::add() {
  if (!work_set_add(iid_)) throw IRStore::Duplicate();
}

// The entry holds the same text already: the set does not change.
void Irwork::update() {
  if (!work_set_holds(iid_)) throw IRStore::NotExist();
}

void Irwork::del() {
  if (!work_set().remove(iid_)) throw IRStore::NotExist();
}

char* Irwork::forDisplay() {
  std::snprintf(display_text, sizeof display_text, "%s", iid_);
  return display_text;
}
