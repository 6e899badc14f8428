// A randomized repository of a few thousand objects, built through the
// store, against a plain in-memory model of the same data: walks, lookups,
// contents, containers, inheritance and searches must give the same answers.
#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <qelorirm/definitions.h>
#include <qeloridm/irdb.h>

#include "captured_output.h"
#include "irtable.h"
#include "temp_repository.h"
#include "test_support.h"

namespace {

using Strings = std::vector<std::string>;

struct ModelObject {
  std::string repid;
  std::string name;
  CORBA::DefinitionKind kind;
  int container;  // index; -1 for the root
  std::vector<int> members;
  std::vector<int> bases;
};

class Model {
 public:
  explicit Model(unsigned seed) : random_(seed) {
    objects_.push_back({CORBA_Repository_Impl::kRepositoryId, "Repository", CORBA::dk_Repository, -1, {}, {}});
    for (int m = 0; m < 60; ++m) add(pick_module(), "Mod" + std::to_string(m), CORBA::dk_Module);
    for (int i = 0; i < 480; ++i) {
      int interface = add(pick_module(), "Iface" + std::to_string(i), CORBA::dk_Interface);
      interfaces_.push_back(interface);
      std::uniform_int_distribution<int> base_count(0, interfaces_.size() > 4 ? 3 : 0);
      for (int b = base_count(random_); b > 0; --b) {
        int base = interfaces_[std::uniform_int_distribution<std::size_t>(0, interfaces_.size() - 2)(random_)];
        auto& bases = objects_[interface].bases;
        if (std::find(bases.begin(), bases.end(), base) == bases.end()) bases.push_back(base);
      }
      for (const char* name : pick_names({"get", "set", "op_a", "opXa", "close", "open", "size"}, 3)) {
        add(interface, name, CORBA::dk_Operation);
      }
      for (const char* name : pick_names({"id", "name", "count", "owner"}, 2)) {
        add(interface, name, CORBA::dk_Attribute);
      }
      for (const char* name : pick_names({"T", "Seq", "List"}, 1)) add(interface, name, CORBA::dk_Alias);
    }
    for (int s = 0; s < 160; ++s) add(pick_module(), "Rec" + std::to_string(s), CORBA::dk_Struct);
  }

  const std::vector<ModelObject>& objects() const { return objects_; }
  const std::vector<int>& interfaces() const { return interfaces_; }
  std::mt19937& random() { return random_; }

  // Everything contained in o at any depth, o excluded.
  std::vector<int> descendants(int o) const {
    std::vector<int> all;
    for (int member : objects_[o].members) {
      all.push_back(member);
      std::vector<int> below = descendants(member);
      all.insert(all.end(), below.begin(), below.end());
    }
    return all;
  }
  // Every base of o, transitively.
  std::set<int> ancestors(int o) const {
    std::set<int> all;
    for (int base : objects_[o].bases) {
      all.insert(base);
      std::set<int> above = ancestors(base);
      all.insert(above.begin(), above.end());
    }
    return all;
  }
  Strings by_iid(const std::vector<int>& indexes) const {
    Strings repids;
    for (int i : indexes) repids.push_back(objects_[i].repid);
    std::sort(repids.begin(), repids.end(),
              [](const std::string& a, const std::string& b) { return iid_of(a) < iid_of(b); });
    return repids;
  }

 private:
  int pick_module() {
    std::vector<int> modules{0};
    for (std::size_t i = 1; i < objects_.size(); ++i) {
      if (objects_[i].kind == CORBA::dk_Module) modules.push_back(static_cast<int>(i));
    }
    return modules[std::uniform_int_distribution<std::size_t>(0, modules.size() - 1)(random_)];
  }
  std::vector<const char*> pick_names(std::vector<const char*> pool, int most) {
    std::shuffle(pool.begin(), pool.end(), random_);
    pool.resize(std::uniform_int_distribution<int>(0, most)(random_));
    return pool;
  }
  int add(int container, const std::string& name, CORBA::DefinitionKind kind) {
    std::string path = container == 0 ? name : scoped_path(container) + "/" + name;
    int index = static_cast<int>(objects_.size());
    objects_.push_back({"IDL:" + path + ":1.0", name, kind, container, {}, {}});
    objects_[container].members.push_back(index);
    return index;
  }
  std::string scoped_path(int o) const {
    const std::string& repid = objects_[o].repid;
    return repid.substr(4, repid.size() - 8);  // between "IDL:" and ":1.0"
  }

  std::mt19937 random_;
  std::vector<ModelObject> objects_;
  std::vector<int> interfaces_;
};

// SQL LIKE, for names without trailing blanks and patterns that do not end
// in "%": "_" is any one character, "%" any run of them.
bool like(const char* pattern, const char* name) {
  if (*pattern == '\0') return *name == '\0';
  if (*pattern == '%') return like(pattern + 1, name) || (*name && like(pattern, name + 1));
  if (*name == '\0') return false;
  return (*pattern == '_' || *pattern == *name) && like(pattern + 1, name + 1);
}

template <class T>
void create_as(IRDB& store, const ModelObject& object) {
  ObjectReference<T> made(new T(object.name.c_str(), object.repid.c_str()));
  EncapIIOP stream(ENCAP_WRITE);
  made->object_to_stream(stream);
  store.create(made.get(), stream);
}

class ModelBased : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto& objects = model.objects();
    ASSERT_GE(objects.size(), 2000u);
    store.beginUserTransaction();
    RepositoryBuilder build(store);  // the root
    for (std::size_t i = 1; i < objects.size(); ++i) {
      const ModelObject& object = objects[i];
      switch (object.kind) {
        case CORBA::dk_Module: create_as<CORBA_ModuleDef_Impl>(store, object); break;
        case CORBA::dk_Interface: create_as<CORBA_InterfaceDef_Impl>(store, object); break;
        case CORBA::dk_Operation: create_as<CORBA_OperationDef_Impl>(store, object); break;
        case CORBA::dk_Attribute: create_as<CORBA_AttributeDef_Impl>(store, object); break;
        case CORBA::dk_Alias: create_as<CORBA_AliasDef_Impl>(store, object); break;
        default: create_as<CORBA_StructDef_Impl>(store, object); break;
      }
      build.contain(object.repid, objects[object.container].repid);
    }
    for (int i : model.interfaces()) {
      for (int base : objects[i].bases) build.inherit(objects[i].repid, objects[base].repid);
    }
    store.endUserTransaction();
  }
  int any_of(const std::vector<int>& choices) {
    return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(model.random())];
  }
  int any_object() {
    return std::uniform_int_distribution<int>(1, static_cast<int>(model.objects().size()) - 1)(model.random());
  }
  int any_container() {
    std::vector<int> containers;
    for (std::size_t i = 0; i < model.objects().size(); ++i) {
      CORBA::DefinitionKind kind = model.objects()[i].kind;
      if (kind == CORBA::dk_Module || kind == CORBA::dk_Interface || kind == CORBA::dk_Repository) {
        containers.push_back(static_cast<int>(i));
      }
    }
    return any_of(containers);
  }

  TempRepository repository{"VADIRIRI"};
  CapturedReports reports;
  IRDB store{nullptr};
  Model model{20261206};
};

TEST_F(ModelBased, TheStoreAnswersAsTheModelDoes) {
  const auto& objects = model.objects();

  // Everything is contained in the root at some depth.
  IIDOctets root = iid_octets(iid_of(objects[0].repid));
  Strings everything = iids_of(IRDBInternals::walk(store, &root, -1, false, false, true, false, false, true));
  Strings expected_iids;
  for (std::size_t i = 1; i < objects.size(); ++i) expected_iids.push_back(iid_of(objects[i].repid));
  std::sort(expected_iids.begin(), expected_iids.end());
  EXPECT_EQ(everything, expected_iids);

  for (int round = 0; round < 40; ++round) {
    int c = any_container();
    const ModelObject& container = objects[c];

    // Direct members, own only.
    Strings members = repids_of(store.contents(handle_of(container.repid).get(), CORBA::dk_all, 1, -1));
    std::sort(members.begin(), members.end());
    Strings expected_members;
    for (int m : container.members) expected_members.push_back(objects[m].repid);
    std::sort(expected_members.begin(), expected_members.end());
    EXPECT_EQ(members, expected_members) << container.repid;

    // A lookup at every depth: the bases' matches first, then the own.
    std::string name = objects[any_object()].name;
    std::vector<int> own_matches;
    for (int d : model.descendants(c)) {
      if (objects[d].name == name) own_matches.push_back(d);
    }
    Strings expected_lookup;
    Strings base_repids;
    for (int base : model.ancestors(c)) base_repids.push_back(objects[base].repid);
    std::sort(base_repids.begin(), base_repids.end(),
              [](const std::string& a, const std::string& b) { return iid_of(a) < iid_of(b); });
    for (const std::string& base_repid : base_repids) {
      int base = static_cast<int>(std::find_if(objects.begin(), objects.end(),
                                               [&](const ModelObject& o) { return o.repid == base_repid; }) -
                                  objects.begin());
      std::vector<int> matches;
      for (int d : model.descendants(base)) {
        if (objects[d].name == name) matches.push_back(d);
      }
      Strings sorted = model.by_iid(matches);
      expected_lookup.insert(expected_lookup.end(), sorted.begin(), sorted.end());
    }
    Strings sorted_own = model.by_iid(own_matches);
    expected_lookup.insert(expected_lookup.end(), sorted_own.begin(), sorted_own.end());
    EXPECT_EQ(repids_of(store.lookup_name(handle_of(container.repid).get(), const_cast<char*>(name.c_str()),
                                          -1, CORBA::dk_all, 0)),
              expected_lookup)
        << container.repid << " " << name;

    // The scoped search for operations whose name matches it as a pattern.
    std::vector<int> operations;
    for (int d : model.descendants(c)) {
      if (like(name.c_str(), objects[d].name.c_str()) && objects[d].kind == CORBA::dk_Operation) {
        operations.push_back(d);
      }
    }
    EXPECT_EQ(repids_of(store.find_objects(const_cast<char*>(name.c_str()), const_cast<char*>("7"), 1,
                                           handle_of(container.repid).get())),
              model.by_iid(operations))
        << container.repid << " " << name;
  }

  // Containers and inheritance of random objects.
  for (int round = 0; round < 100; ++round) {
    int o = any_object();
    std::unique_ptr<StoreHandle> container(store.defined_in(handle_of(objects[o].repid).get()));
    EXPECT_STREQ(container->repid, objects[objects[o].container].repid.c_str());

    int derived = any_of(model.interfaces()), base = any_of(model.interfaces());
    bool expected = model.ancestors(derived).count(base) > 0;
    EXPECT_EQ(store.inherits_from(handle_of(objects[derived].repid).get(), handle_of(objects[base].repid).get()) != 0,
              expected)
        << objects[derived].repid << " from " << objects[base].repid;
  }
}

}  // namespace
