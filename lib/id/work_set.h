// The work set's list: WorkEntry nodes in ascending byte order of their IID
// text, never holding an IID twice. The session holds its head
// (IRDataBase::work_head); Irwork and IRWorkTable change it.
#pragma once

struct WorkEntry {
  WorkEntry* next;
  char iid[33];
};

// Releases every entry and empties the set.
void free_work_set(WorkEntry*& head);

// Whether the current session's set holds iid, and adding iid to it (false
// when it was there): the walks test and add IIDs by the thousand, and
// answer with these where Irwork would raise. An IID of 33 characters or
// more is CORBA::BAD_PARAM.
bool work_set_holds(const char* iid);
bool work_set_add(const char* iid);
