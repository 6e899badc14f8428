// Administration of repositories. What makes a database a repository (the
// four tables with their keys and indexes) belongs to the store, which
// creates it through the engine's generic calls; an IRDB then opens it.
#pragma once

#include <string>

#include <qeloridm/export.h>

class StoreErrorFields;

struct QELORIDM_EXPORT IRDBAdmin {
  // Creates the repository of an alias (at most eight characters): its
  // database when it is missing, then the tables when they are missing.
  // Returns true when it created the tables, false when it found them.
  // Several processes may create one repository at once. Throws
  // IRStore::Unrecoverable (code 7, the engine's message) when it cannot,
  // also for a database that holds only some of the tables. user and
  // password may be null.
  static bool create_repository(const char* alias, const char* user = nullptr,
                                const char* password = nullptr);

  // Where the repository of an alias lives, as the engine resolves it
  // ("sqlite /home/me/.irstore/VADIRIRI.sqlite"), or why it cannot be
  // resolved ("not resolved: ...").
  static std::string location(const char* alias);

  // The engine's directory: $TARN_HOME, or $HOME/.irstore.
  static std::string engine_home();

  // Whether a store failure means that another writer got there first: it
  // stored the same key, or held a lock past the engine's wait. A loader
  // may then read again what the other stored and go on.
  static bool lost_to_another_writer(const StoreErrorFields& failure);
};
