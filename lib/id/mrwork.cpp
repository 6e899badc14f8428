#include "mrwork.h"

void free_work_set(WorkEntry*& head) {
  while (head) {
    WorkEntry* next = head->next;
    delete head;
    head = next;
  }
}
