// Every store operation with every one of its statements failing in turn:
// the caller gets the documented exception, the lock is free again, the
// work set is empty, and a cancel restores the repository as it was.
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <tarn/tarn.h>

#include "captured_output.h"
#include "irtable.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

// An operation returns a text of what it answered, so that an operation
// that ends normally can be compared with one that ran without a fault.
using Operation = std::function<std::string(IRDB&)>;

struct NamedOperation {
  const char* name;
  Operation run;
};

void PrintTo(const NamedOperation& operation, std::ostream* out) { *out << operation.name; }

template <class T>
void create(IRDB& store, const char* name, const char* repid) {
  ObjectReference<T> object(new T(name, repid));
  EncapIIOP stream(ENCAP_WRITE);
  object->object_to_stream(stream);
  store.create(object.get(), stream);
}

std::string answer(CORBA::_IDL_SEQUENCE_CORBA_Contained_0* sequence) {
  std::string text;
  for (const std::string& repid : repids_of(sequence)) text += repid + " ";
  return text;
}
std::string answer(StoreHandleSeq* raw) {
  std::string text;
  std::unique_ptr<StoreHandleSeq, void (*)(StoreHandleSeq*)> handles(raw, [](StoreHandleSeq* h) {
    for (unsigned i = 0; i < h->length; ++i) delete h->buffer[i];
    delete[] h->buffer;
    delete h;
  });
  for (unsigned i = 0; i < handles->length; ++i) text += std::string(handles->buffer[i]->repid ? handles->buffer[i]->repid : "") + " ";
  return text;
}
std::string answer(CORBA::_IDL_SEQUENCE_CORBA_String_0* raw) {
  std::unique_ptr<CORBA::_IDL_SEQUENCE_CORBA_String_0> strings(raw);
  std::string text;
  for (CORBA::ULong i = 0; i < strings->length(); ++i) text += std::string((*strings)[i]) + " ";
  return text;
}
std::string answer(StoreHandle* raw) {
  std::unique_ptr<StoreHandle> handle(raw);
  return handle && handle->repid ? handle->repid : "";
}

std::vector<NamedOperation> operations() {
  auto h = [](const char* repid) { return handle_of(repid); };
  auto done = [](auto&&...) { return std::string("done"); };
  return {
      {"create", [=](IRDB& s) { create<CORBA_ModuleDef_Impl>(s, "New", "IDL:New:1.0"); return done(); }},
      {"object_from_ID", [=](IRDB& s) {
         ObjectReference<CORBA_Contained_Impl> object(s.object_from_ID(h("IDL:M/I:1.0").get()));
         return object->simple_name();
       }},
      {"lookup_name", [=](IRDB& s) { return answer(s.lookup_name(h("IDL:M/I:1.0").get(), const_cast<char*>("op"), -1, CORBA::dk_all, 0)); }},
      {"contents", [=](IRDB& s) { return answer(s.contents(h("IDL:M/I:1.0").get(), CORBA::dk_all, 0, -1)); }},
      {"destroy", [=](IRDB& s) { s.destroy(h("IDL:M:1.0").get()); return done(); }},
      {"add_to_bucket", [=](IRDB& s) { s.add_to_bucket(h("IDL:M/J:1.0").get(), h("IDL:M/I:1.0").get()); return done(); }},
      {"add_inheritance", [=](IRDB& s) { s.add_inheritance(h("IDL:M/J:1.0").get(), h("IDL:M/I:1.0").get()); return done(); }},
      {"add_reference", [=](IRDB& s) { s.add_reference(h("IDL:M/J:1.0").get(), h("IDL:M/I:1.0").get()); return done(); }},
      {"remove_from_bucket", [=](IRDB& s) { s.remove_from_bucket(h("IDL:M/I:1.0").get(), h("IDL:M:1.0").get()); return done(); }},
      {"remove_inheritance", [=](IRDB& s) { s.remove_inheritance(h("IDL:M/I:1.0").get(), h("IDL:M/J:1.0").get()); return done(); }},
      {"remove_reference", [=](IRDB& s) { s.remove_reference(h("IDL:M/I/op:1.0").get(), h("IDL:M/J:1.0").get()); return done(); }},
      {"update_name", [=](IRDB& s) { s.update_name(h("IDL:M/I:1.0").get(), const_cast<char*>("Renamed")); return done(); }},
      {"update_repositoryID", [=](IRDB& s) { s.update_repositoryID(h("IDL:M/I:1.0").get(), h("IDL:M/I:2.0").get()); return done(); }},
      {"update_stream", [=](IRDB& s) {
         ObjectReference<CORBA_InterfaceDef_Impl> object(new CORBA_InterfaceDef_Impl("I", "IDL:M/I:1.0"));
         object->is_abstract = true;
         s.update_stream(object.get());
         return done();
       }},
      {"refresh_object", [=](IRDB& s) {
         ObjectReference<CORBA_InterfaceDef_Impl> object(new CORBA_InterfaceDef_Impl("I", "IDL:M/I:1.0"));
         object->base_interfaces = {"changed in memory"};
         s.refresh_object(object.get());
         return object->base_interfaces.empty() ? std::string("refreshed") : std::string("not refreshed");
       }},
      {"move", [=](IRDB& s) { s.move(h("IDL:M/J:1.0").get(), h("IDL:N:1.0").get(), const_cast<char*>("Moved")); return done(); }},
      {"inherits_from", [=](IRDB& s) { return std::to_string(s.inherits_from(h("IDL:M/I:1.0").get(), h("IDL:M/J:1.0").get())); }},
      {"parents", [=](IRDB& s) { return answer(s.parents(h("IDL:M/I:1.0").get())); }},
      {"children", [=](IRDB& s) { return answer(s.children(h("IDL:M/J:1.0").get(), 1)); }},
      {"defined_in", [=](IRDB& s) { return answer(s.defined_in(h("IDL:M/I:1.0").get())); }},
      {"is_name_in_bucket", [=](IRDB& s) { return answer(s.is_name_in_bucket(const_cast<char*>("I"), h("IDL:M:1.0").get())); }},
      {"names_in_bucket", [=](IRDB& s) { return answer(s.names_in_bucket(h("IDL:M:1.0").get())); }},
      {"kind_from_ID", [=](IRDB& s) { return std::to_string(s.kind_from_ID(h("IDL:M/I:1.0").get())); }},
      {"name_from_ID", [=](IRDB& s) { return std::string(CorbaString(s.name_from_ID(h("IDL:M/I:1.0").get())).get()); }},
      {"get_references", [=](IRDB& s) { return answer(s.get_references(h("IDL:M/J:1.0").get())); }},
      {"is_duplicate_name", [=](IRDB& s) { return std::to_string(s.is_duplicate_name(h("IDL:M/J:1.0").get(), const_cast<char*>("op"))); }},
      {"find_objects", [=](IRDB& s) { return answer(s.find_objects(const_cast<char*>("op"), const_cast<char*>("7"), 1, nullptr)); }},
      {"find_objects_scoped", [=](IRDB& s) { return answer(s.find_objects(const_cast<char*>("op"), const_cast<char*>("7"), 1, h("IDL:M:1.0").get())); }},
      {"get_refs_object", [=](IRDB& s) { return answer(s.get_refs_object(h("IDL:M/J:1.0").get(), const_cast<char*>("7"))); }},
      {"interface_children", [=](IRDB& s) { return answer(s.interface_children(h("IDL:M/J:1.0").get())); }},
      {"get_objects_2b_deleted", [=](IRDB& s) { return answer(s.get_objects_2b_deleted(h("IDL:M:1.0").get())); }},
  };
}

class FaultInjection : public ::testing::TestWithParam<NamedOperation> {
 protected:
  // Module M holds J and I (deriving from J); I holds op, which refers to
  // J; module N is empty.
  void SetUp() override {
    RepositoryBuilder build(store);
    build.define<CORBA_ModuleDef_Impl>("M", "IDL:M:1.0");
    build.define<CORBA_ModuleDef_Impl>("N", "IDL:N:1.0");
    build.define<CORBA_InterfaceDef_Impl>("J", "IDL:M/J:1.0", "IDL:M:1.0");
    build.define<CORBA_InterfaceDef_Impl>("I", "IDL:M/I:1.0", "IDL:M:1.0");
    build.inherit("IDL:M/I:1.0", "IDL:M/J:1.0");
    build.define<CORBA_OperationDef_Impl>("op", "IDL:M/I/op:1.0", "IDL:M/I:1.0");
    build.refer("IDL:M/I/op:1.0", "IDL:M/J:1.0");
    store.endUpdate();
  }
  void TearDown() override { tarn_fail_statement(0, 0); }

  // Whether another thread can take the store lock.
  bool lock_is_free() {
    auto other = std::async(std::launch::async, [this] {
      store.beginUpdate();
      return true;
    });
    return other.wait_for(std::chrono::seconds(10)) == std::future_status::ready && other.get();
  }
  bool work_set_is_empty() {
    IRWorkTable work(nullptr, &store);
    return iids_of(work.list_all(nullptr, false)).empty();
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
};

// A fault is either reported with the documented exception, or it had no
// effect at all (the cursor's CLOSE after a delivered row is not checked).
TEST_P(FaultInjection, EveryStatementMayFailWithoutHarm) {
  const NamedOperation& operation = GetParam();
  const std::string before = table_snapshot();
  const std::string expected_answer = operation.run(store);
  const std::string expected_after = table_snapshot();
  store.cancelUpdate();
  ASSERT_EQ(table_snapshot(), before);

  int reported = 0;
  for (int position = 1;; ++position) {
    SCOPED_TRACE(std::string(operation.name) + " with statement " + std::to_string(position) + " failing");
    long start = tarn_statement_count();
    tarn_fail_statement(position, TARN_SQL_DISK_FULL);
    bool failed = false;
    std::string answered;
    try {
      answered = operation.run(store);
    } catch (IRStore::Exception& e) {
      failed = true;
      EXPECT_EQ(e.code, 7);
      EXPECT_NE(e.message, nullptr);
    } catch (IRSError& e) {
      failed = true;  // the insert and rewrite of an object pass the session's error on
      EXPECT_EQ(e.code, TARN_SQL_DISK_FULL);
    }
    long made = tarn_statement_count() - start;
    tarn_fail_statement(0, 0);
    EXPECT_TRUE(lock_is_free());
    EXPECT_TRUE(work_set_is_empty());
    if (!failed) {
      EXPECT_EQ(answered, expected_answer);
      EXPECT_EQ(table_snapshot(), expected_after);
    }
    store.cancelUpdate();
    EXPECT_EQ(table_snapshot(), before);
    if (made < position) break;  // the operation ran whole before the fault
    reported += failed;
    ASSERT_LT(position, 1000) << "never ran to its end";
  }
  EXPECT_GT(reported, 0);
}

INSTANTIATE_TEST_SUITE_P(StoreOperations, FaultInjection, ::testing::ValuesIn(operations()),
                         [](const ::testing::TestParamInfo<NamedOperation>& info) { return std::string(info.param.name); });

}  // namespace
