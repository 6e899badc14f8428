// The store's side: builds the synthetic repository through IRDB and runs
// every workload on it, timing each operation, while the statements it runs
// are logged for the engine floor.
#include "runs.h"

#include <memory>
#include <string>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>
#include <qeloridm/storehnd.h>

#include "statement_log.h"
#include "store_calls.h"

namespace {

IRType type_of(const Plan& plan, int index) {
  const PlannedObject& object = plan.object(index);
  return {"::" + object.name, {object.repid}};
}

// The IR object of a planned definition, with state like real IDL gives it.
Ref<CORBA_Contained_Impl> make_definition(const Plan& plan, const PlannedObject& object) {
  const char* name = object.name.c_str();
  const char* repid = object.repid.c_str();
  switch (object.kind) {
    case CORBA::dk_Module: return Ref<CORBA_Contained_Impl>(new CORBA_ModuleDef_Impl(name, repid));
    case CORBA::dk_Interface: {
      auto* interface = new CORBA_InterfaceDef_Impl(name, repid);
      for (int base : object.bases) interface->base_interfaces.push_back(plan.object(base).repid);
      return Ref<CORBA_Contained_Impl>(interface);
    }
    case CORBA::dk_Operation: {
      auto* operation = new CORBA_OperationDef_Impl(name, repid);
      operation->result = type_of(plan, object.references[0]);
      operation->parameters = {{"key", {"string", {}}, IRParameterMode::In},
                               {"count", {"unsigned long", {}}, IRParameterMode::InOut}};
      if (object.references.size() > 1) {
        operation->exceptions = {plan.object(object.references[1]).repid};
      }
      return Ref<CORBA_Contained_Impl>(operation);
    }
    case CORBA::dk_Attribute: {
      auto* attribute = new CORBA_AttributeDef_Impl(name, repid);
      attribute->type = type_of(plan, object.references[0]);
      return Ref<CORBA_Contained_Impl>(attribute);
    }
    case CORBA::dk_Alias: {
      auto* alias = new CORBA_AliasDef_Impl(name, repid);
      alias->original_type = {"sequence<" + type_of(plan, object.references[0]).spelling + ">",
                              type_of(plan, object.references[0]).references};
      return Ref<CORBA_Contained_Impl>(alias);
    }
    case CORBA::dk_Exception: {
      auto* exception = new CORBA_ExceptionDef_Impl(name, repid);
      exception->members = {{"reason", {"string", {}}}, {"code", {"long", {}}}};
      return Ref<CORBA_Contained_Impl>(exception);
    }
    default: {
      auto* structure = new CORBA_StructDef_Impl(name, repid);
      structure->members = {{"id", {"unsigned long long", {}}}, {"label", {"string", {}}},
                            {"weight", {"double", {}}}};
      return Ref<CORBA_Contained_Impl>(structure);
    }
  }
}

class StoreRun {
 public:
  StoreRun(const Plan& plan, IRDB& store, StatementLogWriter& log) : plan_(plan), store_(store), log_(log) {}

  void build(RunResults& results) {
    log_.set_workload(Workload::kSetup);
    create(store_, *Ref<CORBA_Repository_Impl>(new CORBA_Repository_Impl()));
    StoreMeter create_meter;
    const std::size_t total = static_cast<std::size_t>(plan_.size());
    for (std::size_t first = 0; first < total; first += 1000) {
      store_.beginUserTransaction();
      for (std::size_t i = first; i < std::min(total, first + 1000); ++i) {
        const PlannedObject object = plan_.object(static_cast<int>(i));
        Ref<CORBA_Contained_Impl> made = make_definition(plan_, object);
        EncapIIOP stream(ENCAP_WRITE);
        made->object_to_stream(stream);
        log_.set_workload(Workload::kCreate);
        create_meter.time([&] { store_.create(made.get(), stream); });
        log_.set_workload(Workload::kSetup);
        made.reset();
        relate(object);
      }
      store_.endUserTransaction();
    }
    results.add(Workload::kCreate, create_meter.seconds, static_cast<long>(total), create_meter.round_trips);
  }

  void run_workloads(RunResults& results) {
    // Each workload first makes its arguments (as the caller would hold
    // them), untimed, then calls the store, timed.
    time_each(results, Workload::kObjectFromId, [this](int o) { return Arguments{handle(repid(o))}; },
              [this](Arguments& a) { Ref<CORBA_Contained_Impl> object(store_.object_from_ID(a.first.get())); });
    time_each(results, Workload::kContents, [this](int b) { return Arguments{handle(repid(block(b).interfaces[1]))}; },
              [this](Arguments& a) { delete store_.contents(a.first.get(), CORBA::dk_all, 0, -1); });
    time_each(results, Workload::kLookupName1, [this](int b) { return Arguments{handle(repid(block(b).interfaces[5]))}; },
              [this](Arguments& a) {
                delete store_.lookup_name(a.first.get(), const_cast<char*>(kLookupOne), 1, CORBA::dk_all, 0);
              });
    time_each(results, Workload::kLookupNameAll, [this](int b) { return Arguments{handle(repid(block(b).module))}; },
              [this](Arguments& a) {
                delete store_.lookup_name(a.first.get(), const_cast<char*>(kLookupAll), -1, CORBA::dk_all, 1);
              });
    time_each(results, Workload::kFindObjectsGlobal, [](int b) { return Arguments{nullptr, nullptr, struct_name(b, b % 5)}; },
              [this](Arguments& a) { delete store_.find_objects(a.text.data(), const_cast<char*>("10"), 1, nullptr); });
    time_each(results, Workload::kFindObjectsScoped, [this](int b) { return Arguments{handle(repid(block(b).module))}; },
              [this](Arguments& a) {
                delete store_.find_objects(const_cast<char*>(kScopedName), const_cast<char*>("7"), 1, a.first.get());
              });
    time_each(results, Workload::kInheritsFrom,
              [this](int b) { return Arguments{handle(repid(block(b).interfaces[9])), handle(repid(block(b).interfaces[0]))}; },
              [this](Arguments& a) { store_.inherits_from(a.first.get(), a.second.get()); });
    auto struct_and_interface = [this](Workload workload) {
      return [this, workload](int operand) {
        Target target = target_of(workload, operand);
        return Arguments{handle(repid(block(target.block).structs[target.structure])),
                         handle(repid(block(target.block).interfaces[target.interface]))};
      };
    };
    time_each(results, Workload::kAddToBucket, struct_and_interface(Workload::kAddToBucket),
              [this](Arguments& a) { store_.add_to_bucket(a.first.get(), a.second.get()); });
    commit();
    time_each(results, Workload::kRemoveFromBucket, struct_and_interface(Workload::kRemoveFromBucket),
              [this](Arguments& a) { store_.remove_from_bucket(a.first.get(), a.second.get()); });
    commit();
    time_each(results, Workload::kDestroyModule, [this](int v) { return Arguments{handle(repid(v))}; },
              [this](Arguments& a) { store_.destroy(a.first.get()); });
    commit();
    time_each(results, Workload::kUpdateRepositoryId,
              [this](int operand) {
                Target target = target_of(Workload::kUpdateRepositoryId, operand);
                std::string old_id = repid(block(target.block).interfaces[target.interface]);
                return Arguments{handle(old_id), handle(changed_repid(old_id))};
              },
              [this](Arguments& a) { store_.update_repositoryID(a.first.get(), a.second.get()); });
    commit();
  }

 private:
  std::string repid(int index) const { return plan_.object(index).repid; }
  Block block(int b) const { return plan_.block(b); }
  std::string container_of(const PlannedObject& object) const {
    return object.container < 0 ? CORBA_Repository_Impl::kRepositoryId : repid(object.container);
  }

  void relate(const PlannedObject& object) {
    store_.add_to_bucket(handle(object.repid).get(), handle(container_of(object)).get());
    for (int base : object.bases) store_.add_inheritance(handle(object.repid).get(), handle(repid(base)).get());
    for (int used : object.references) store_.add_reference(handle(object.repid).get(), handle(repid(used)).get());
  }

  void commit() {
    log_.set_workload(Workload::kSetup);
    store_.endUpdate();
  }

  struct Arguments {
    explicit Arguments(std::unique_ptr<StoreHandle> a = nullptr, std::unique_ptr<StoreHandle> b = nullptr,
                       std::string t = {})
        : first(std::move(a)), second(std::move(b)), text(std::move(t)) {}
    std::unique_ptr<StoreHandle> first;
    std::unique_ptr<StoreHandle> second;
    std::string text;
  };

  template <class Prepare, class Operation>
  void time_each(RunResults& results, Workload workload, Prepare prepare, Operation operation) {
    std::vector<int> items;
    if (workload == Workload::kDestroyModule) {
      items = plan_.victims();
    } else {
      Operands operands = operands_for(plan_, workload);
      items = workload == Workload::kObjectFromId ? operands.objects : operands.blocks;
    }
    StoreMeter meter;
    for (int item : items) {
      Arguments arguments = prepare(item);
      log_.set_workload(workload);
      meter.time([&] { operation(arguments); });
      log_.set_workload(Workload::kSetup);
    }
    results.add(workload, meter.seconds, static_cast<long>(items.size()), meter.round_trips);
  }

  const Plan& plan_;
  IRDB& store_;
  StatementLogWriter& log_;
};

}  // namespace

void run_store(const Plan& plan, const char* alias, const std::string& log_path, RunResults& results) {
  IRDB store(alias);
  StatementLogWriter log(log_path);
  log.start();
  StoreRun run(plan, store, log);
  run.build(results);
  run.run_workloads(results);
  log.stop();
}
