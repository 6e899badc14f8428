// The back end's line format: records of TAB-separated, escaped fields.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "idl_unit.h"
#include "kinds.h"
#include "tool_error.h"

namespace {

using Fields = std::vector<std::string>;

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Fields split_fields(std::string_view line) {
  Fields fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(unescape_field(line.substr(start, tab == std::string_view::npos ? tab : tab - start)));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

class RecordReader {
 public:
  explicit RecordReader(std::string_view text) : text_(text) {}

  IdlUnit read() {
    IdlUnit unit;
    Fields header = next_or_fail("the header");
    if (header.size() != 2 || header[0] != "irstore-idl" || header[1] != "1") {
      fail("the output does not start with 'irstore-idl 1': is the back end the one of this tool?");
    }
    while (std::optional<Fields> record = next()) {
      const Fields& r = *record;
      if (r[0] == "file") {
        expect(r, 3);
        if (r[2] == "1" && unit.main_file.empty()) unit.main_file = r[1];
        unit.files.push_back(r[1]);
      } else if (r[0] == "def") {
        unit.definitions.push_back(definition(r));
      } else if (r[0] == "skipped") {
        expect(r, 6);
        unit.skipped.push_back({r[1], r[2], r[3], {r[4], number(r[5])}});
      } else {
        fail("unknown record '" + r[0] + "'");
      }
    }
    return unit;
  }

 private:
  IdlDefinition definition(const Fields& r) {
    expect(r, 7);
    IdlDefinition d;
    std::optional<CORBA::DefinitionKind> kind = kind_from_word(r[1]);
    if (!kind || *kind == CORBA::dk_Repository) fail("unknown kind '" + r[1] + "'");
    d.kind = *kind;
    d.repid = r[2];
    d.container = r[3];
    d.name = r[4];
    d.where = {r[5], number(r[6])};
    if (d.repid.empty() || d.name.empty()) fail("a definition without repository id or name");
    for (;;) {
      Fields f = next_or_fail("the end of " + d.repid);
      const std::string& tag = f[0];
      if (tag == "end") break;
      if (tag == "forward") d.forward = true;
      else if (tag == "abstract") d.is_abstract = true;
      else if (tag == "local") d.is_local = true;
      else if (tag == "oneway") d.oneway = true;
      else if (tag == "readonly") d.readonly = true;
      else if (tag == "base") d.bases.push_back(field(f, 1));
      else if (tag == "raises") d.raises.push_back(field(f, 1));
      else if (tag == "context") d.contexts.push_back(field(f, 1));
      else if (tag == "value") d.value = field(f, 1);
      else if (tag == "enumerator") d.enumerators.push_back(field(f, 1));
      else if (tag == "type") d.type = type_from(f, 2);
      else if (tag == "member") d.members.push_back({field(f, 1), type_from(f, 2)});
      else if (tag == "case") d.cases.push_back({field(f, 2), field(f, 1), type_from(f, 3)});
      else if (tag == "param") d.parameters.push_back({field(f, 2), type_from(f, 3), mode(field(f, 1))});
      else fail("unknown record '" + tag + "' in " + d.repid);
    }
    return d;
  }

  IRType type_from(const Fields& f, std::size_t at) {
    IRType type{field(f, at), {}};
    type.references.assign(f.begin() + static_cast<long>(at) + 1, f.end());
    return type;
  }

  IRParameterMode mode(const std::string& word) {
    if (word == "in") return IRParameterMode::In;
    if (word == "out") return IRParameterMode::Out;
    if (word == "inout") return IRParameterMode::InOut;
    fail("unknown parameter mode '" + word + "'");
  }

  int number(const std::string& text) {
    if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        text.size() > 9) {
      fail("'" + text + "' is no line number");
    }
    return std::stoi(text);
  }

  const std::string& field(const Fields& f, std::size_t at) {
    if (at >= f.size()) fail("record '" + f[0] + "' lacks a field");
    return f[at];
  }

  void expect(const Fields& f, std::size_t count) {
    if (f.size() != count) fail("record '" + f[0] + "' has " + std::to_string(f.size()) + " fields, not " + std::to_string(count));
  }

  std::optional<Fields> next() {
    while (position_ < text_.size()) {
      std::size_t end = text_.find('\n', position_);
      if (end == std::string_view::npos) fail("the output ends in the middle of a line");
      std::string_view line = text_.substr(position_, end - position_);
      position_ = end + 1;
      ++line_;
      if (line.empty()) continue;
      return split_fields(line);
    }
    return std::nullopt;
  }

  Fields next_or_fail(const std::string& what) {
    std::optional<Fields> record = next();
    if (!record) fail("the output ends before " + what);
    return *record;
  }

  [[noreturn]] void fail(const std::string& message) {
    throw ToolError("unreadable output of the IDL back end, line " + std::to_string(line_) + ": " + message);
  }

  std::string_view text_;
  std::size_t position_ = 0;
  int line_ = 0;
};

void add_once(std::vector<std::string>& list, const std::string& repid) {
  if (std::find(list.begin(), list.end(), repid) == list.end()) list.push_back(repid);
}

void add_type(std::vector<std::string>& list, const IRType& type) {
  for (const std::string& repid : type.references) add_once(list, repid);
}

}  // namespace

std::vector<std::string> IdlDefinition::references() const {
  std::vector<std::string> list;
  add_type(list, type);
  for (const IRParameter& parameter : parameters) add_type(list, parameter.type);
  for (const std::string& exception : raises) add_once(list, exception);
  for (const IRMember& member : members) add_type(list, member.type);
  for (const IRUnionMember& member : cases) add_type(list, member.type);
  return list;
}

std::string escape_field(std::string_view text) {
  std::string out;
  for (char c : text) {
    auto code = static_cast<unsigned char>(c);
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (code < 0x20 || code == 0x7f) {
      char buffer[5];
      std::snprintf(buffer, sizeof buffer, "\\x%02x", code);
      out += buffer;
    } else {
      out += c;
    }
  }
  return out;
}

std::string unescape_field(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) throw ToolError("unreadable output of the IDL back end: a field ends in '\\'");
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 't': out += '\t'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 'x': {
        int high = i + 2 < text.size() ? hex_digit(text[i + 1]) : -1;
        int low = i + 2 < text.size() ? hex_digit(text[i + 2]) : -1;
        if (high < 0 || low < 0) throw ToolError("unreadable output of the IDL back end: a bad \\x escape");
        out += static_cast<char>(high * 16 + low);
        i += 2;
        break;
      }
      default:
        throw ToolError(std::string("unreadable output of the IDL back end: unknown escape \\") + text[i]);
    }
  }
  return out;
}

IdlUnit parse_idl_records(std::string_view text) { return RecordReader(text).read(); }
