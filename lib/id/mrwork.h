// The work set: an in-memory set of IIDs held by the session, kept as a
// singly linked list in ascending byte order of the IID text, never holding
// an IID twice. The relation walks use it as their visited set.
#pragma once

struct WorkEntry {
  WorkEntry* next;
  char iid[33];
};

// Releases every entry and empties the set.
void free_work_set(WorkEntry*& head);
