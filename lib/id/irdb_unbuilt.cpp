// Operations of the store that are not built yet: each says so with
// CORBA::NO_IMPLEMENT rather than pretending to work.
#include <qeloridm/irdb.h>

namespace {
[[noreturn]] void not_built() { throw CORBA::NO_IMPLEMENT(0, CORBA::COMPLETED_NO); }
}  // namespace

void IRDB::create(CORBA::_CORBA_Contained*, EncapIIOP&) { not_built(); }
void IRDB::Iadd_object(StoreObject*) { not_built(); }
CORBA_Contained_Impl* IRDB::object_from_ID(StoreHandle*) { not_built(); }
CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::lookup_name(StoreHandle*, char*, int,
                                                          CORBA::DefinitionKind, unsigned char) {
  not_built();
}
CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::contents(StoreHandle*, CORBA::DefinitionKind,
                                                       unsigned char, int) {
  not_built();
}
void IRDB::destroy(StoreHandle*) { not_built(); }
void IRDB::add_to_bucket(StoreHandle*, StoreHandle*) { not_built(); }
void IRDB::add_inheritance(StoreHandle*, StoreHandle*) { not_built(); }
void IRDB::add_reference(StoreHandle*, StoreHandle*) { not_built(); }
void IRDB::remove_from_bucket(StoreHandle*, StoreHandle*) { not_built(); }
void IRDB::remove_inheritance(StoreHandle*, StoreHandle*) { not_built(); }
void IRDB::remove_reference(StoreHandle*, StoreHandle*) { not_built(); }
void IRDB::update_name(StoreHandle*, char*) { not_built(); }
void IRDB::update_repositoryID(StoreHandle*, StoreHandle*) { not_built(); }
void IRDB::update_stream(CORBA_Contained_Impl*) { not_built(); }
void IRDB::refresh_object(CORBA_Contained_Impl*) { not_built(); }
void IRDB::move(StoreHandle*, StoreHandle*, char*) { not_built(); }
void IRDB::beginUpdate() { not_built(); }
void IRDB::endUpdate() { not_built(); }
void IRDB::cancelUpdate() { not_built(); }
unsigned char IRDB::inherits_from(StoreHandle*, StoreHandle*) { not_built(); }
StoreHandleSeq* IRDB::parents(StoreHandle*) { not_built(); }
StoreHandleSeq* IRDB::children(StoreHandle*, unsigned char) { not_built(); }
StoreHandle* IRDB::defined_in(StoreHandle*) { not_built(); }
StoreHandle* IRDB::is_name_in_bucket(char*, StoreHandle*) { not_built(); }
CORBA::_IDL_SEQUENCE_CORBA_String_0* IRDB::names_in_bucket(StoreHandle*) { not_built(); }
CORBA::DefinitionKind IRDB::kind_from_ID(StoreHandle*) { not_built(); }
char* IRDB::name_from_ID(StoreHandle*) { not_built(); }
void IRDB::beginUserTransaction() { not_built(); }
void IRDB::endUserTransaction() { not_built(); }
void IRDB::cancelUserTransaction() { not_built(); }
CORBA::_IDL_SEQUENCE_CORBA_String_0* IRDB::get_references(StoreHandle*) { not_built(); }
unsigned char IRDB::is_duplicate_name(StoreHandle*, char*) { not_built(); }
CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::find_objects(char*, char*, unsigned char,
                                                           StoreHandle*) {
  not_built();
}
CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::get_refs_object(StoreHandle*, char*) { not_built(); }
CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::interface_children(StoreHandle*) { not_built(); }
CORBA::_IDL_SEQUENCE_CORBA_Contained_0* IRDB::get_objects_2b_deleted(StoreHandle*) { not_built(); }
