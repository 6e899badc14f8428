// make_object: the object of each kind, built from a stored stream.
#include <qelorirm/definitions.h>

#include <memory>

namespace {

struct Release {
  void operator()(CORBA_Contained_Impl* object) const { CORBA::release(object); }
};

CORBA_Contained_Impl* new_object(CORBA::DefinitionKind kind, const char* name, const char* repid) {
  switch (kind) {
    case CORBA::dk_Repository: return new CORBA_Repository_Impl();
    case CORBA::dk_Module: return new CORBA_ModuleDef_Impl(name, repid);
    case CORBA::dk_Interface: return new CORBA_InterfaceDef_Impl(name, repid);
    case CORBA::dk_Operation: return new CORBA_OperationDef_Impl(name, repid);
    case CORBA::dk_Attribute: return new CORBA_AttributeDef_Impl(name, repid);
    case CORBA::dk_Constant: return new CORBA_ConstantDef_Impl(name, repid);
    case CORBA::dk_Exception: return new CORBA_ExceptionDef_Impl(name, repid);
    case CORBA::dk_Alias: return new CORBA_AliasDef_Impl(name, repid);
    case CORBA::dk_Struct: return new CORBA_StructDef_Impl(name, repid);
    case CORBA::dk_Union: return new CORBA_UnionDef_Impl(name, repid);
    case CORBA::dk_Enum: return new CORBA_EnumDef_Impl(name, repid);
    default: return nullptr;
  }
}

}  // namespace

CORBA_Contained_Impl* make_object(CORBA::DefinitionKind kind, char* name, char* repid,
                                  Encapsulation& stream) {
  // The object shows in the cache once stream_to_object has loaded it, and
  // never when loading fails.
  std::unique_ptr<CORBA_Contained_Impl, Release> object(new_object(kind, name, repid));
  if (!object) return nullptr;
  object->stream_to_object(name, repid, stream);
  return object.release();
}
