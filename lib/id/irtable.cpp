#include "irtable.h"

#include <qeloridm/irdb.h>

IRTable::IRTable(const char*, IRDB* owner) : session(owner->database) {}
