// Irwork: one IID of the work set, which lives in memory beside the session.
#include <qeloridm/mrwork.h>

#include <cstdio>
#include <cstring>
#include <new>

#include <qelororm/corba.h>
#include <qeloridm/irstore.h>

#include "irdatabase.h"
#include "work_set.h"

void free_work_set(WorkEntry*& head) {
  while (head) {
    WorkEntry* next = head->next;
    delete head;
    head = next;
  }
}

namespace {

// The link that points at the first entry whose IID is not less than iid:
// the place where iid is, or would be linked in. Searches stop there, since
// the list is sorted.
WorkEntry** stop_link(WorkEntry*& head, const char* iid) {
  WorkEntry** link = &head;
  while (*link && std::strcmp((*link)->iid, iid) < 0) link = &(*link)->next;
  return link;
}

bool holds(WorkEntry* const* link, const char* iid) {
  return *link && std::strcmp((*link)->iid, iid) == 0;
}

WorkEntry*& work_head() { return current_session_or_fail().work_head; }

// An IID that no entry could hold is refused, as Irwork::setIid refuses it.
std::size_t checked_length(const char* iid) {
  std::size_t length = std::strlen(iid);
  if (length >= sizeof WorkEntry::iid) throw CORBA::BAD_PARAM(0, CORBA::COMPLETED_NO);
  return length;
}

}  // namespace

bool work_set_holds(const char* iid) {
  checked_length(iid);
  return holds(stop_link(work_head(), iid), iid);
}

bool work_set_add(const char* iid) {
  std::size_t length = checked_length(iid);
  WorkEntry** link = stop_link(work_head(), iid);
  if (holds(link, iid)) return false;
  auto* entry = new (std::nothrow) WorkEntry;
  if (!entry) throw IRStore::OutOfMemory();
  std::memcpy(entry->iid, iid, length + 1);
  entry->next = *link;
  *link = entry;
  return true;
}

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

void Irwork::update() {
  WorkEntry** link = stop_link(work_head(), iid_);
  if (!holds(link, iid_)) throw IRStore::NotExist();
  std::memcpy((*link)->iid, iid_, sizeof (*link)->iid);
}

void Irwork::del() {
  WorkEntry** link = stop_link(work_head(), iid_);
  if (!holds(link, iid_)) throw IRStore::NotExist();
  WorkEntry* entry = *link;
  *link = entry->next;
  delete entry;
}

char* Irwork::forDisplay() {
  std::snprintf(display_text, sizeof display_text, "%s", iid_);
  return display_text;
}
