// What a container holds and what an object is called: the containment
// lookups over IRBUCKET, and the names and kinds of IRREPDAT.
#include <cstdlib>
#include <cstring>
#include <memory>

#include <qeloridm/irdb.h>
#include <qeloridm/mrbucket.h>
#include <qeloridm/mrrepdat.h>

#include "irdb_errors.h"
#include "irdb_lock.h"
#include "irdb_results.h"
#include "irdb_walks.h"
#include "irtable.h"
#include "owned.h"

namespace {

using IIDListOwner = std::unique_ptr<IIDList>;

// A stored object's name and kind. A read that finds no row (an IID named
// by a relation row without an object of its own), or that fails without
// SQLSTATE, makes the repository incoherent.
struct NameAndKind {
  char name[Irrepdat::kNameSize];
  char kind[Irrepdat::kKindSize];

  NameAndKind(IRRepdatTable& table, const char* iid) {
    name[0] = kind[0] = '\0';  // a missing row leaves them as they are
    failure_is_incoherent([&] { table.name_and_kind(iid, name, kind); });
    if (kind[0] == '\0') throw IRStore::IncoherentIR();
  }
  long kind_value() const { return std::atol(kind); }
};

bool is_inherited_kind(long kind) {
  return kind == CORBA::dk_Attribute || kind == CORBA::dk_Operation;
}

}  // namespace

CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::lookup_name(StoreHandle* container, char* searchName,
                                                          int levelsToSearch,
                                                          CORBA::DefinitionKind limitType,
                                                          unsigned char excludeInherited) {
  CSGuard guard(&csMutex);
  container->populateIRIID();
  repdatTable->exists_iid(container->iid, 0);
  std::unique_ptr<ContainedSeq> result = new_contained_seq(10);

  // Inherited definitions first, the container's own last.
  IIDListOwner scopes(excludeInherited ? make_owned<IIDList>().release() : walk(Walk::all_bases(), container->iid));
  CORBA::ULong count = scopes->length();
  scopes->length(count + 1);
  (*scopes)[count] = *container->iid;

  for (CORBA::ULong s = 0; s < scopes->length(); ++s) {
    IIDListOwner members(walk(Walk::members_within(levelsToSearch), &(*scopes)[s]));
    for (CORBA::ULong m = 0; m < members->length(); ++m) {
      NameAndKind member(*repdatTable, iid_text((*members)[m]));
      cut_at_blank(member.name);
      if (limitType != CORBA::dk_all && member.kind_value() != limitType) continue;
      if (std::strcmp(searchName, member.name) != 0) continue;
      std::unique_ptr<StoreHandle> handle = handle_for_iid((*members)[m]);
      if (CORBA_Contained_Impl* object = object_from_ID(handle.get())) append_object(*result, object);
    }
  }
  return result.release();
}

CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::contents(StoreHandle* container,
                                                       CORBA::DefinitionKind limitType,
                                                       unsigned char excludeInherited,
                                                       int maxReturned) {
  CSGuard guard(&csMutex);
  container->populateIRIID();
  repdatTable->exists_iid(container->iid, 0);

  // Only attributes and operations are inherited, so bases matter only
  // when those are asked for.
  bool consult_bases = !excludeInherited && (limitType == CORBA::dk_all ||
                                             limitType == CORBA::dk_Attribute ||
                                             limitType == CORBA::dk_Operation);
  IIDListOwner bases(consult_bases ? walk(Walk::all_bases(), container->iid)
                                   : make_owned<IIDList>().release());
  std::unique_ptr<ContainedSeq> result = new_contained_seq(10);

  Irrepdat row;  // one record for every member: each read overwrites all of it
  for (CORBA::ULong s = 0; s <= bases->length(); ++s) {
    bool own = s == 0;
    IIDOctets* scope = own ? container->iid : &(*bases)[s - 1];
    IIDListOwner members(bucketTable->related_iids(scope, true));
    for (CORBA::ULong m = 0; m < members->length(); ++m) {
      // Tested before each member is read: 0 gives nothing, -1 never stops.
      if (static_cast<int>(result->length()) == maxReturned) return result.release();
      row.setIid(iid_text((*members)[m]));
      failure_is_incoherent([&] { row.retrieve(); });
      long kind = std::atol(row.kind());
      bool accepted = (own || is_inherited_kind(kind)) &&
                      (limitType == CORBA::dk_all || limitType == kind);
      if (!accepted) continue;
      CorbaString name(remove_blanks(row.name()));
      CORBA_Contained_Impl* object =
          build_from_row(static_cast<CORBA::DefinitionKind>(kind), name.get(),
                         const_cast<char*>(row.repid()), const_cast<char*>(row.stream()));
      if (object) append_object(*result, object);
    }
  }
  return result.release();
}

StoreHandle* IRDB::defined_in(StoreHandle* object) {
  CSGuard guard(&csMutex);
  object->populateIRIID();
  repdatTable->exists_iid(object->iid, 0);
  IIDListOwner containers(bucketTable->related_iids(object->iid, false));
  if (containers->length() == 0) throw IRStore::NotExist();
  if (containers->length() > 1) throw IRStore::IncoherentIR();
  std::unique_ptr<StoreHandle> handle = handle_for_iid((*containers)[0]);
  handle->repid = stored_repository_id(*repdatTable, iid_text((*containers)[0]));
  return handle.release();
}

StoreHandle* IRDB::is_name_in_bucket(char* name, StoreHandle* container) {
  CSGuard guard(&csMutex);
  container->populateIRIID();
  repdatTable->exists_iid(container->iid, 1);
  IIDListOwner members(bucketTable->related_iids(container->iid, true));
  for (CORBA::ULong m = 0; m < members->length(); ++m) {
    NameAndKind member(*repdatTable, iid_text((*members)[m]));
    cut_at_blank(member.name);
    if (std::strcmp(name, member.name) != 0) continue;
    char repid[Irrepdat::kRepidSize] = "";
    repdatTable->repid_of(iid_text((*members)[m]), repid);
    auto handle = make_owned<StoreHandle>();
    handle->repid = CORBA::string_dup(repid);
    if (!handle->repid) throw IRStore::OutOfMemory();
    handle->populateIRIID();
    return handle.release();
  }
  return nullptr;
}

CORBA::_IDL_SEQUENCE_CORBA_String_0* IRDB::names_in_bucket(StoreHandle* container) {
  CSGuard guard(&csMutex);
  container->populateIRIID();
  repdatTable->exists_iid(container->iid, 1);
  IIDListOwner members(bucketTable->related_iids(container->iid, true));
  auto names = make_owned<CORBA::_IDL_SEQUENCE_CORBA_String_0>(members->length());
  for (CORBA::ULong m = 0; m < members->length(); ++m) {
    NameAndKind member(*repdatTable, iid_text((*members)[m]));
    char* name = remove_blanks(member.name);
    names->length(m + 1);
    (*names)[m] = name;
  }
  return names.release();
}

CORBA::DefinitionKind IRDB::kind_from_ID(StoreHandle* object) {
  CSGuard guard(&csMutex);
  object->populateIRIID();
  char name[Irrepdat::kNameSize] = "", kind[Irrepdat::kKindSize] = "";
  try {
    repdatTable->name_and_kind(iid_text(object->iid), name, kind);
  } catch (IRStore::Exception& e) {
    rethrow_if_sql_error(e);
    return CORBA::dk_none;
  }
  if (kind[0] == '\0') return CORBA::dk_none;  // no row
  return static_cast<CORBA::DefinitionKind>(std::atol(kind));
}

char* IRDB::name_from_ID(StoreHandle* object) {
  CSGuard guard(&csMutex);
  object->populateIRIID();
  char name[Irrepdat::kNameSize] = "", kind[Irrepdat::kKindSize] = "";
  missing_is_not_exist([&] { repdatTable->name_and_kind(iid_text(object->iid), name, kind); });
  if (kind[0] == '\0') throw IRStore::NotExist();  // no row
  return remove_blanks(name);
}

unsigned char IRDB::is_duplicate_name(StoreHandle* interface, char* name) {
  CSGuard guard(&csMutex);
  interface->populateIRIID();
  repdatTable->exists_iid(interface->iid, 0);
  IIDListOwner derived(walk(Walk::all_derived(), interface->iid));
  if (derived->length() == 0) return 0;

  // The attributes and operations called exactly `name`. The search takes
  // the name as a LIKE pattern, in which "_" (common in IDL names) and "%"
  // match other characters: only candidates whose stored name is the name
  // count.
  IIDListOwner candidates;
  failure_is_incoherent([&] { candidates.reset(repdatTable->find_by_name(name, ":2:7", true)); });
  std::unique_ptr<IIDList> exact = make_owned<IIDList>(candidates->length());
  for (CORBA::ULong c = 0; c < candidates->length(); ++c) {
    NameAndKind candidate(*repdatTable, iid_text((*candidates)[c]));
    cut_at_blank(candidate.name);
    if (std::strcmp(candidate.name, name) != 0) continue;
    CORBA::ULong count = exact->length();
    exact->length(count + 1);
    (*exact)[count] = (*candidates)[c];
  }
  if (exact->length() == 0) return 0;

  // Whether `holder` directly contains one of the candidates.
  auto holds_candidate = [&](const IIDOctets& holder) {
    for (CORBA::ULong c = 0; c < exact->length(); ++c) {
      Irbucket row;
      try {
        std::unique_ptr<char[]> key(bucketTable->make_key(iid_text(holder), iid_text((*exact)[c])));
        row.setKey(key.get());
        row.retrieve();
        return true;
      } catch (IRStore::Exception& e) {
        if (e.code == 2) continue;  // not in this holder
        rethrow_if_sql_error(e);
        throw IRStore::IncoherentIR();
      }
    }
    return false;
  };

  for (CORBA::ULong d = 0; d < derived->length(); ++d) {
    if (holds_candidate((*derived)[d])) return 1;
  }
  for (CORBA::ULong d = 0; d < derived->length(); ++d) {
    IIDListOwner bases;
    failure_is_incoherent([&] { bases.reset(walk(Walk::all_bases(), &(*derived)[d])); });
    for (CORBA::ULong b = 0; b < bases->length(); ++b) {
      if (holds_candidate((*bases)[b])) return 1;
    }
  }
  return 0;
}
