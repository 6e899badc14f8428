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
