// irstore: creates Interface Repositories, loads IDL into them and answers
// questions about them, all through the store, as an ORB's repository
// implementation would.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <qelororm/vekd.h>

#include "arguments.h"
#include "command.h"
#include "kinds.h"
#include "tool_error.h"

namespace {

const Command kCommands[] = {
    {"init", "create a repository (default VADIRIRI) unless it exists",
     "usage: irstore init [ALIAS] [--with-ir-idl]\n"
     "\n"
     "Creates the database of ALIAS (default: --db, or VADIRIRI) with the\n"
     "repository's four tables and its root object. An existing repository is\n"
     "left as it is.\n"
     "\n"
     "  --with-ir-idl   load the Interface Repository's own IDL as well\n"
     "                  (/usr/share/idl/omniORB/ir.idl, package omniorb-idl),\n"
     "                  so that clients of irstore serve asking an IR object\n"
     "                  for its interface get one\n",
     run_init},
    {"info", "open a repository through the store and say where it lives",
     "usage: irstore info [ALIAS]\n"
     "\n"
     "Opens the repository ALIAS (default: --db, or VADIRIRI) the way an ORB\n"
     "does, and prints where it lives.\n",
     run_info},
    {"load", "load IDL files into the repository",
     "usage: irstore load FILE... [-I DIR]... [-D NAME[=VALUE]]...\n"
     "\n"
     "Reads each IDL file with omniidl and stores every definition in it and in\n"
     "the files it includes: modules, interfaces, operations, attributes,\n"
     "constants, exceptions, typedefs, structs, unions and enums, with their\n"
     "containment, inheritance and the types they use.\n"
     "\n"
     "Each file loads in one transaction: all of it or, on any error, nothing.\n"
     "A definition whose repository id is stored keeps its place and gets the\n"
     "state the IDL gives it; loading a file again changes nothing. A file\n"
     "that an earlier file of the same command included is not loaded twice.\n"
     "Value types and natives are not kept (the load says how many).\n"
     "\n"
     "  -I DIR            look for included files in DIR (the file's own\n"
     "                    directory is searched last)\n"
     "  -D NAME[=VALUE]   define a preprocessor symbol\n"
     "\n"
     "Example: irstore load -I /usr/share/idl/omniORB /usr/share/idl/omniORB/COS/CosNaming.idl\n",
     run_load},
    {"ls", "list what a scope holds",
     "usage: irstore ls [SCOPE] [-r]\n"
     "\n"
     "Lists the definitions directly in SCOPE (default: the top level), one a\n"
     "line: kind, name, repository id. With -r (--recursive), everything\n"
     "nested in SCOPE, by scoped name.\n"
     "\n"
     "SCOPE, like every NAME of the tool, is a scoped IDL name\n"
     "(::CosNaming::NamingContext, the leading :: optional) or a repository id\n"
     "(IDL:omg.org/CosNaming/NamingContext:1.0).\n",
     run_ls},
    {"show", "print a definition as IDL",
     "usage: irstore show NAME\n"
     "\n"
     "Prints the stored definition NAME as IDL, from its stored state: an\n"
     "operation's signature with its raises clause, a struct's members, an\n"
     "interface's bases and everything in it, a module with its contents.\n",
     run_show},
    {"find", "search definitions by name",
     "usage: irstore find PATTERN [--kind KIND[,KIND...]] [--ignore-case] [--in SCOPE]\n"
     "\n"
     "Finds the definitions whose simple name matches PATTERN, where * stands\n"
     "for any text and ? for one character (NamingContext*, *_context).\n"
     "\n"
     "  --kind KINDS     only these kinds: module, interface, operation,\n"
     "                   attribute, constant, exception, alias, struct, union,\n"
     "                   enum, typedef (alias, struct, union and enum)\n"
     "  -i, --ignore-case\n"
     "                   compare without regard to case\n"
     "  --in SCOPE       only inside SCOPE, at any depth\n",
     run_find},
    {"bases", "list the base interfaces of an interface",
     "usage: irstore bases INTERFACE [-r]\n"
     "\n"
     "Lists the direct base interfaces of INTERFACE; with -r (--recursive)\n"
     "all its ancestors, nearest first.\n",
     run_bases},
    {"derived", "list the interfaces derived from an interface",
     "usage: irstore derived INTERFACE [-r]\n"
     "\n"
     "Lists the interfaces that name INTERFACE as a direct base; with -r\n"
     "(--recursive) all its descendants, nearest first.\n",
     run_derived},
    {"refs", "list the definitions that use a definition",
     "usage: irstore refs NAME [--kind KIND[,KIND...]]\n"
     "\n"
     "Lists the definitions that use NAME directly: operations whose result,\n"
     "parameters or raises clause name it, attributes, constants, members and\n"
     "typedefs of its type. --kind keeps only those kinds (see find --help).\n",
     run_refs},
    {"rm", "remove a definition and everything that depends on it",
     "usage: irstore rm NAME [--dry-run]\n"
     "\n"
     "Removes NAME with what depends on it: what it contains, the interfaces\n"
     "derived from it and the definitions that use it, each with its own\n"
     "dependants. The list of what goes with it is printed first. With -n\n"
     "(--dry-run) nothing is removed.\n",
     run_rm},
    {"mv", "move a definition into another scope",
     "usage: irstore mv NAME SCOPE [--name NEW]\n"
     "\n"
     "Moves NAME into SCOPE (a module, an interface, or :: for the top level),\n"
     "optionally renaming it. Its repository id does not change. To rename a\n"
     "definition where it is, give its own scope with --name.\n",
     run_mv},
    {"rename-id", "change the repository id of a definition",
     "usage: irstore rename-id NAME NEW-ID\n"
     "\n"
     "Gives the definition NAME (a scoped name or its current repository id)\n"
     "the repository id NEW-ID, keeping all its relations; the definitions\n"
     "that use it are told the new id.\n",
     run_rename_id},
    {"stats", "count what the repository holds",
     "usage: irstore stats\n"
     "\n"
     "Counts the definitions of each kind, the inheritance links and the\n"
     "references between definitions.\n",
     run_stats},
    {"graph", "draw containment and inheritance with Graphviz",
     "usage: irstore graph [SCOPE] [-o FILE] [--members]\n"
     "\n"
     "Writes a Graphviz graph of SCOPE (default: everything): modules as\n"
     "boxes around what they hold, interfaces and types as nodes, inheritance\n"
     "as arrows to the base. Without -o the DOT text goes to standard output.\n"
     "\n"
     "  -o, --output FILE  write FILE: FILE.dot as DOT text, FILE.svg or\n"
     "                     FILE.png rendered by dot (package graphviz)\n"
     "  --members          list attributes and operations in the interfaces\n",
     run_graph},
    {"serve", "serve the repository as a CORBA Interface Repository",
     "usage: irstore serve [--db ALIAS] [--port N] [--ior-file FILE] [--writable] [-ORBoption value]...\n"
     "\n"
     "Serves the repository (default: --db, or VADIRIRI) as a CORBA Interface\n"
     "Repository over IIOP, with omniORB, until SIGINT or SIGTERM stops it.\n"
     "Clients reach it at corbaloc::HOST:PORT/InterfaceRepository, for example\n"
     "with -ORBInitRef InterfaceRepository=corbaloc::HOST:PORT/InterfaceRepository.\n"
     "It reads every answer from the repository when asked. Without --writable\n"
     "it is read-only: writes raise NO_PERMISSION. When the database does not\n"
     "come back within the reconnect wait, it stops with status 3.\n"
     "\n"
     "  --port N         listen on port N; references the server handed out\n"
     "                   stay valid across a restart on the same port\n"
     "  --ior-file FILE  write the repository's stringified IOR to FILE once\n"
     "                   it answers\n"
     "  --writable       accept the operations that change the repository,\n"
     "                   each as one unit of work\n"
     "  -ORB...          an omniORB option with its value (-ORBendPoint,\n"
     "                   -ORBendPointPublish, -ORBtraceLevel, ...)\n",
     run_serve},
    {"dump", "write every stored definition as a table",
     "usage: irstore dump [--format tsv]\n"
     "\n"
     "Writes one line per stored definition, sorted by repository id, with\n"
     "TAB-separated columns: kind, repository id, repository id of the\n"
     "container (empty at the top level), name, and the comma-separated\n"
     "repository ids of the direct base interfaces. A backslash, TAB or line\n"
     "end inside a field is written as \\\\, \\t, \\n.\n",
     run_dump},
};

void print_help(FILE* out) {
  std::fputs(
      "usage: irstore [--db ALIAS] [--verbose] COMMAND [ARGUMENTS]\n"
      "\n"
      "Keeps CORBA Interface Repositories in SQL databases: loads IDL into them\n"
      "and answers questions about what they hold.\n"
      "\n"
      "Commands:\n",
      out);
  for (const Command& command : kCommands) std::fprintf(out, "  %-10s %s\n", command.name, command.summary);
  std::fputs(
      "\n"
      "Options:\n"
      "  --db ALIAS   the repository to work on (default VADIRIRI)\n"
      "  --verbose    also print the runtime's failure reports\n"
      "  --help       this text; COMMAND --help explains a command\n"
      "\n"
      "Names are scoped IDL names (::CosNaming::NamingContext) or repository ids\n"
      "(IDL:omg.org/CosNaming/NamingContext:1.0).\n"
      "\n"
      "A repository is found through its alias: $TARN_HOME/catalog may name its\n"
      "database, otherwise it is the SQLite file $TARN_HOME/ALIAS.sqlite\n"
      "(TARN_HOME defaults to $HOME/.irstore).\n"
      "\n"
      "Example:\n"
      "  irstore init\n"
      "  irstore load examples/bank.idl\n"
      "  irstore show ::Bank::Account\n",
      out);
}

// Failure reports of the runtime: the tool says what failed in one line of
// its own, so the reports are shown only when asked for.
void quiet_sink(const VekdReport& report, void* verbose) {
  if (*static_cast<bool*>(verbose)) std::fprintf(stderr, "%s\n", vekdFormatReport(report).c_str());
}

int run_command(const Command& command, const ToolOptions& options, const Args& rest) {
  try {
    return command.run(options, rest);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "irstore %s: %s (see irstore %s --help)\n", command.name, e.what(), command.name);
    return 2;
  } catch (...) {
    std::string message = describe_current_exception();
    std::fflush(stdout);
    std::fprintf(stderr, "irstore %s: %s\n", command.name, message.c_str());
    return 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  static ToolOptions options;
  std::optional<Arguments> arguments;
  try {
    arguments.emplace(Args(argv + 1, argv + argc),
                      std::vector<OptionSpec>{{"-h", "--help", false}, {"-v", "--verbose", false},
                                              {nullptr, "--db", true}},
                      Arguments::OptionsEnd::kAtFirstPositional);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "irstore: %s (see irstore --help)\n", e.what());
    return 2;
  }
  if (arguments->flag("--help")) {
    print_help(stdout);
    return 0;
  }
  options.verbose = arguments->flag("--verbose");
  options.database = arguments->value("--db").value_or("");
  const Args& positionals = arguments->positionals();
  if (positionals.empty()) {
    print_help(stderr);
    return 2;
  }
  vekdSetErrorSink(&quiet_sink, &options.verbose);

  const std::string& name = positionals[0];
  Args rest(positionals.begin() + 1, positionals.end());
  for (const Command& command : kCommands) {
    if (name != command.name) continue;
    for (const std::string& argument : rest) {
      if (argument == "--") break;
      if (argument == "--help" || argument == "-h") {
        std::fputs(command.usage, stdout);
        return 0;
      }
    }
    return run_command(command, options, rest);
  }
  std::fprintf(stderr, "irstore: unknown command %s (see irstore --help)\n", name.c_str());
  return 2;
}
