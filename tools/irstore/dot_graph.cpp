#include "dot_graph.h"

#include <algorithm>
#include <map>
#include <vector>

#include "kinds.h"

namespace {

class GraphWriter {
 public:
  GraphWriter(Repository& repository, Names& names, bool members)
      : repository_(repository), names_(names), members_(members) {}

  std::string write(const std::string& scope) {
    out_ = "digraph irstore {\n  rankdir=BT;\n  node [fontname=\"Helvetica\", fontsize=10];\n"
           "  edge [arrowhead=empty];\n";
    if (scope == Repository::kRootId) {
      scope_contents(scope, 1);
    } else {
      node(*repository_.object(scope), 1);
    }
    // Bases outside the scope are drawn dashed.
    std::vector<std::pair<std::string, std::string>> edges;
    for (const auto& [repid, id] : ids_snapshot()) {
      if (repository_.kind_of(repid) != CORBA::dk_Interface) continue;
      for (const std::string& base : repository_.parents(repid)) edges.emplace_back(repid, base);
    }
    for (const auto& [derived, base] : edges) {
      if (!ids_.count(base)) {
        out_ += "  " + id_of(base) + " [label=\"" + dot_escape(names_.scoped(base)) + "\", shape=box, style=dashed];\n";
      }
      out_ += "  " + id_of(derived) + " -> " + id_of(base) + ";\n";
    }
    out_ += "}\n";
    return out_;
  }

 private:
  std::map<std::string, std::string> ids_snapshot() const { return ids_; }

  std::string id_of(const std::string& repid) {
    auto found = ids_.find(repid);
    if (found != ids_.end()) return found->second;
    std::string id = "n";
    id += std::to_string(ids_.size());
    ids_[repid] = id;
    return id;
  }

  std::vector<ObjectRef> sorted_members(const std::string& container) {
    std::vector<ObjectRef> members = repository_.members(container);
    std::sort(members.begin(), members.end(),
              [](const ObjectRef& a, const ObjectRef& b) { return a->simple_name() < b->simple_name(); });
    return members;
  }

  void scope_contents(const std::string& scope, int depth) {
    for (const ObjectRef& member : sorted_members(scope)) node(*member, depth);
  }

  void node(CORBA_Contained_Impl& object, int depth) {
    std::string indent(static_cast<std::size_t>(depth) * 2, ' ');
    const std::string& repid = object.repository_id();
    CORBA::DefinitionKind kind = object.def_kind();
    if (kind == CORBA::dk_Module) {
      out_ += indent + "subgraph cluster_" + id_of(repid) + " {\n" + indent + "  label=\"" +
              dot_escape(object.simple_name()) + "\";\n" + indent + "  style=rounded;\n";
      scope_contents(repid, depth + 1);
      out_ += indent + "}\n";
      return;
    }
    if (kind == CORBA::dk_Interface) {
      std::string label = object.simple_name();
      if (members_) {
        label = "{" + record_escape(label) + "|";
        for (const ObjectRef& member : sorted_members(repid)) {
          if (member->def_kind() == CORBA::dk_Operation) label += record_escape(member->simple_name() + "()") + "\\l";
          if (member->def_kind() == CORBA::dk_Attribute) label += record_escape(member->simple_name()) + "\\l";
        }
        label += "}";
        out_ += indent + id_of(repid) + " [label=\"" + label + "\", shape=record];\n";
      } else {
        out_ += indent + id_of(repid) + " [label=\"" + dot_escape(label) + "\", shape=box];\n";
      }
      return;
    }
    if (kind == CORBA::dk_Struct || kind == CORBA::dk_Union || kind == CORBA::dk_Enum ||
        kind == CORBA::dk_Alias || kind == CORBA::dk_Exception) {
      out_ += indent + id_of(repid) + " [label=\"" + dot_escape(kind_word(kind) + " " + object.simple_name()) +
              "\", shape=note];\n";
    }
  }

  // Record labels give { } | < > their own meaning.
  static std::string record_escape(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (std::string("{}|<> \"\\").find(c) != std::string::npos) out += '\\';
      out += c;
    }
    return out;
  }

  Repository& repository_;
  Names& names_;
  bool members_;
  std::map<std::string, std::string> ids_;
  std::string out_;
};

}  // namespace

std::string dot_escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

std::string containment_graph(Repository& repository, Names& names, const std::string& scope, bool members) {
  return GraphWriter(repository, names, members).write(scope);
}
