#include "exported_symbols.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "child_process.h"

namespace fs = std::filesystem;

namespace {

// What the compiler or the linker names beside a declaration.
constexpr const char* kPrefixes[] = {"vtable for ",          "typeinfo for ",      "typeinfo name for ",
                                     "VTT for ",             "guard variable for ", "non-virtual thunk to ",
                                     "virtual thunk to ",    "construction vtable for "};
const std::set<std::string> kLinkerSymbols = {"_init", "_fini", "_edata", "_end", "__bss_start"};

// What a sanitizer adds beside each exported global (its one-definition
// check), in the sanitized builds only.
bool is_sanitizer_symbol(const std::string& name) {
  return name.rfind("__odr_asan", 0) == 0 || name.rfind("__asan_", 0) == 0 || name.rfind("__tsan_", 0) == 0 ||
         name.rfind("__ubsan_", 0) == 0;
}

std::string without_comments(const std::string& text) {
  static const std::regex comments(R"(//[^\n]*|/\*[\s\S]*?\*/)");
  return std::regex_replace(text, comments, " ");
}

// Drops template arguments and ABI tags: "basic_string<char>[abi:cxx11]" is
// "basic_string".
std::string bare(const std::string& component) {
  std::string out;
  int depth = 0;
  for (std::size_t i = 0; i < component.size(); ++i) {
    char c = component[i];
    if (c == '<') ++depth;
    else if (c == '>') --depth;
    else if (depth == 0 && c == '[') i = component.find(']', i);
    else if (depth == 0) out += c;
    if (i == std::string::npos) break;
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  if (!out.empty() && out[0] == '~') out.erase(0, 1);
  return out;
}

// The qualified name of a demangled symbol: without its parameters,
// qualifiers and the return type that a template function's name carries.
std::vector<std::string> qualified_name(std::string name) {
  for (const char* prefix : kPrefixes) {
    if (name.rfind(prefix, 0) == 0) name.erase(0, std::char_traits<char>::length(prefix));
  }
  std::size_t end = name.size(), last_space = std::string::npos;
  int depth = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (depth == 0 && name.compare(i, 8, "operator") == 0 && (i == 0 || name[i - 1] == ':' || name[i - 1] == ' ')) {
      // An operator's name may hold blanks and parentheses: it ends at the
      // parameters, which follow "()" for the call operator.
      std::size_t open = name.compare(i + 8, 2, "()") == 0 ? i + 10 : name.find('(', i + 8);
      end = open == std::string::npos ? name.size() : open;
      break;
    }
    if (c == '<' || c == '(') ++depth;
    if (c == '>' || c == ')') --depth;
    if (depth == 0 && c == ' ') last_space = i;
    if (depth == 1 && c == '(' && i > 0 && name[i - 1] != ' ') {
      end = i;
      break;
    }
  }
  std::string qualified = name.substr(0, end);
  if (last_space != std::string::npos && last_space < end) qualified = qualified.substr(last_space + 1);
  std::vector<std::string> parts;
  depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < qualified.size(); ++i) {
    if (qualified[i] == '<') ++depth;
    if (qualified[i] == '>') --depth;
    if (depth == 0 && qualified.compare(i, 2, "::") == 0) {
      parts.push_back(bare(qualified.substr(start, i - start)));
      start = i + 2;
      ++i;
    }
  }
  parts.push_back(bare(qualified.substr(start)));
  return parts;
}

}  // namespace

Declarations header_declarations(const std::vector<std::string>& header_dirs) {
  static const std::regex identifier(R"([A-Za-z_][A-Za-z0-9_]*)");
  // "class EXPORT Name : ...", "struct Name {", "namespace Name {", and the
  // classes a macro defines: "MACRO(Name)" on a line of its own.
  static const std::regex scope(
      R"((?:class|struct|union|namespace)\s+(?:[A-Z_]+_EXPORT\s+)?(\w+)\s*(?:final\s*)?[:{]|^[A-Z_]+\((\w+)\))",
      std::regex::multiline);
  Declarations declarations;
  for (const std::string& dir : header_dirs) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      std::ifstream file(entry.path());
      std::string text = without_comments(std::string(std::istreambuf_iterator<char>(file), {}));
      for (std::sregex_iterator it(text.begin(), text.end(), identifier), end; it != end; ++it) {
        declarations.identifiers.insert(it->str());
      }
      for (std::sregex_iterator it(text.begin(), text.end(), scope), end; it != end; ++it) {
        declarations.scopes.insert((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
      }
    }
  }
  return declarations;
}

bool is_declared(const std::string& type, const std::string& name, const Declarations& headers) {
  if (kLinkerSymbols.count(name) || is_sanitizer_symbol(name)) return true;
  std::vector<std::string> parts = qualified_name(name);
  bool vague_linkage = type == "W" || type == "V" || type == "u";
  if (vague_linkage && (parts[0] == "std" || parts[0] == "__gnu_cxx")) return true;
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    if (!headers.scopes.count(parts[i])) return false;
  }
  // An operator is a member of the class before it.
  return parts.back().rfind("operator", 0) == 0 || headers.identifiers.count(parts.back()) != 0;
}

std::vector<std::pair<std::string, std::string>> exported_symbols(const std::string& library) {
  ProgramRun run = run_program({"nm", "-D", "-C", "--defined-only", library});
  if (run.status != 0) throw std::runtime_error("nm " + library + ": " + run.err);
  std::vector<std::pair<std::string, std::string>> symbols;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) {
    // "ADDRESS TYPE NAME"
    std::size_t type = line.find(' ');
    if (type == std::string::npos || type + 3 > line.size()) continue;
    symbols.emplace_back(line.substr(type + 1, 1), line.substr(type + 3));
  }
  return symbols;
}
