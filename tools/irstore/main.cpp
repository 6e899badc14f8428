// irstore: creates Interface Repositories and works with them through the
// store, as an ORB's repository implementation would.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <qelororm/vekd.h>
#include <tarn/tarn.h>

#include "command.h"

namespace {

const Command kCommands[] = {
    {"init", "create a repository (default VADIRIRI) unless it exists",
     "usage: irstore init [ALIAS]\n"
     "\n"
     "Creates the database of ALIAS (default: --db, or VADIRIRI) with the\n"
     "repository's four tables. An existing repository is left as it is.\n",
     run_init},
    {"info", "open a repository through the store and say where it lives",
     "usage: irstore info [ALIAS]\n"
     "\n"
     "Opens the repository ALIAS (default: --db, or VADIRIRI) the way an ORB\n"
     "does, and prints where it lives.\n",
     run_info},
};

void print_help(FILE* out) {
  std::fputs(
      "usage: irstore [--db ALIAS] [--verbose] COMMAND [ARGUMENTS]\n"
      "\n"
      "Keeps CORBA Interface Repositories in SQL databases.\n"
      "\n"
      "Commands:\n",
      out);
  for (const Command& command : kCommands) std::fprintf(out, "  %-8s %s\n", command.name, command.summary);
  std::fputs(
      "\n"
      "Options:\n"
      "  --db ALIAS   the repository to work on (default VADIRIRI)\n"
      "  --verbose    also print the runtime's failure reports\n"
      "  --help       this text; COMMAND --help explains a command\n"
      "\n"
      "A repository is found through its alias: $TARN_HOME/catalog may name its\n"
      "database, otherwise it is the SQLite file $TARN_HOME/ALIAS.sqlite\n"
      "(TARN_HOME defaults to $HOME/.irstore).\n",
      out);
}

// Failure reports of the runtime: the tool says what failed in one line of
// its own, so the reports are shown only when asked for.
void quiet_sink(const VekdReport& report, void* verbose) {
  if (*static_cast<bool*>(verbose)) std::fprintf(stderr, "%s\n", vekdFormatReport(report).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  static ToolOptions options;
  std::vector<std::string> arguments(argv + 1, argv + argc);
  std::size_t next = 0;
  for (; next < arguments.size(); ++next) {
    const std::string& argument = arguments[next];
    if (argument == "--help" || argument == "-h") {
      print_help(stdout);
      return 0;
    } else if (argument == "--verbose" || argument == "-v") {
      options.verbose = true;
    } else if (argument == "--db" && next + 1 < arguments.size()) {
      options.database = arguments[++next];
    } else if (argument.rfind("--db=", 0) == 0) {
      options.database = argument.substr(5);
    } else if (!argument.empty() && argument[0] == '-') {
      std::fprintf(stderr, "irstore: unknown option %s (see irstore --help)\n", argument.c_str());
      return 2;
    } else {
      break;
    }
  }
  if (next == arguments.size()) {
    print_help(stderr);
    return 2;
  }
  vekdSetErrorSink(&quiet_sink, &options.verbose);

  const std::string& name = arguments[next];
  std::vector<std::string> rest(arguments.begin() + static_cast<long>(next) + 1, arguments.end());
  for (const Command& command : kCommands) {
    if (name != command.name) continue;
    for (const std::string& argument : rest) {
      if (argument == "--help" || argument == "-h") {
        std::fputs(command.usage, stdout);
        return 0;
      }
    }
    return command.run(options, rest);
  }
  std::fprintf(stderr, "irstore: unknown command %s (see irstore --help)\n", name.c_str());
  return 2;
}

std::string alias_of(const ToolOptions& options, const std::vector<std::string>& arguments) {
  std::string alias = !arguments.empty()            ? arguments[0]
                      : !options.database.empty() ? options.database
                                                  : "VADIRIRI";
  // The store connects with the alias upper-cased; so does everything here.
  for (char& c : alias) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return alias;
}

std::string describe_alias(const std::string& alias) {
  char description[1024];
  if (tarn_resolve_alias(alias.c_str(), description, sizeof description) != 0) {
    return std::string("not resolved: ") + description;
  }
  return description;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "irstore: %s\n", message.c_str());
  return 1;
}
