// The tool's parts that need no repository: the back end's record format,
// argument parsing, kind lists, declarators and the progress bar.
#include <gtest/gtest.h>

#include "arguments.h"
#include "idl_printer.h"
#include "idl_unit.h"
#include "kinds.h"
#include "progress.h"
#include "tool_error.h"

namespace {

TEST(Records, FieldsOfAnyTextSurviveTheRoundTrip) {
  std::string text = std::string("a\tb\nc\\d\re") + '\x01' + "\x7f" + "\xc3\xa9";
  EXPECT_EQ(escape_field(text), "a\\tb\\nc\\\\d\\re\\x01\\x7f\xc3\xa9");
  EXPECT_EQ(unescape_field(escape_field(text)), text);
  EXPECT_THROW(unescape_field("ends\\"), ToolError);
  EXPECT_THROW(unescape_field("\\xZZ"), ToolError);
  EXPECT_THROW(unescape_field("\\q"), ToolError);
}

TEST(Records, ADefinitionWithEveryRecord) {
  IdlUnit unit = parse_idl_records(
      "irstore-idl\t1\n"
      "file\tmain.idl\t1\n"
      "file\tinc.idl\t0\n"
      "def\toperation\tIDL:M/I/op:1.0\tIDL:M/I:1.0\top\tmain.idl\t7\n"
      "oneway\n"
      "type\tresult\tvoid\n"
      "param\tinout\tx\tsequence<::M::T>\tIDL:M/T:1.0\n"
      "param\tin\ty\t::M::T\tIDL:M/T:1.0\n"
      "raises\tIDL:M/E:1.0\n"
      "context\tA\\tB\n"
      "end\n"
      "def\tunion\tIDL:M/U:1.0\tIDL:M:1.0\tU\tinc.idl\t3\n"
      "type\tdiscriminator\t::M::E2\tIDL:M/E2:1.0\n"
      "case\t::M::a\tx\tlong\n"
      "case\tdefault\ty\t::M::S\tIDL:M/S:1.0\n"
      "end\n"
      "skipped\tvaluetype\t::M::V\tIDL:M/V:1.0\tmain.idl\t9\n");
  EXPECT_EQ(unit.main_file, "main.idl");
  EXPECT_EQ(unit.files, (std::vector<std::string>{"main.idl", "inc.idl"}));
  ASSERT_EQ(unit.definitions.size(), 2u);
  const IdlDefinition& op = unit.definitions[0];
  EXPECT_EQ(op.kind, CORBA::dk_Operation);
  EXPECT_EQ(op.where.text(), "main.idl:7");
  EXPECT_TRUE(op.oneway);
  ASSERT_EQ(op.parameters.size(), 2u);
  EXPECT_EQ(op.parameters[0].mode, IRParameterMode::InOut);
  EXPECT_EQ(op.parameters[0].type, (IRType{"sequence<::M::T>", {"IDL:M/T:1.0"}}));
  EXPECT_EQ(op.contexts, std::vector<std::string>{"A\tB"});
  // Each used id once, in order of use.
  EXPECT_EQ(op.references(), (std::vector<std::string>{"IDL:M/T:1.0", "IDL:M/E:1.0"}));
  const IdlDefinition& u = unit.definitions[1];
  ASSERT_EQ(u.cases.size(), 2u);
  EXPECT_EQ(u.cases[1].label, "default");
  EXPECT_EQ(u.references(), (std::vector<std::string>{"IDL:M/E2:1.0", "IDL:M/S:1.0"}));
  ASSERT_EQ(unit.skipped.size(), 1u);
  EXPECT_EQ(unit.skipped[0].where.line, 9);
}

TEST(Records, MalformedOutputIsRefusedWithItsLine) {
  auto message = [](const char* text) {
    try {
      parse_idl_records(text);
    } catch (const ToolError& e) {
      return std::string(e.what());
    }
    return std::string("accepted");
  };
  EXPECT_NE(message("").find("ends before the header"), std::string::npos);
  EXPECT_NE(message("irstore-idl\t2\n").find("irstore-idl 1"), std::string::npos);
  EXPECT_NE(message("irstore-idl\t1\ndef\tmodule\tIDL:M:1.0\t\tM\tf.idl\t1\n").find("ends before the end"),
            std::string::npos);
  EXPECT_NE(message("irstore-idl\t1\ndef\tvaluetype\tIDL:M:1.0\t\tM\tf.idl\t1\nend\n").find("line 2: unknown kind"),
            std::string::npos);
  EXPECT_NE(message("irstore-idl\t1\ndef\tmodule\tIDL:M:1.0\t\tM\tf.idl\tx\nend\n").find("no line number"),
            std::string::npos);
  EXPECT_NE(message("irstore-idl\t1\nbogus\n").find("unknown record 'bogus'"), std::string::npos);
  EXPECT_NE(message("irstore-idl\t1\nfile\tf.idl").find("middle of a line"), std::string::npos);
}

TEST(Arguments, OptionsInEveryFormAndPositionals) {
  Arguments args({"a.idl", "-I", "one", "-Itwo", "--include=three", "-DX=1", "--", "-odd.idl"},
                 {{"-I", "--include", true}, {"-D", "--define", true}, {"-r", "--recursive", false}});
  EXPECT_EQ(args.values("--include"), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(args.value("--define"), "X=1");
  EXPECT_FALSE(args.flag("--recursive"));
  EXPECT_EQ(args.positionals(), (std::vector<std::string>{"a.idl", "-odd.idl"}));
  EXPECT_THROW(Arguments({"-x"}, {}), UsageError);
  EXPECT_THROW(Arguments({"-I"}, {{"-I", "--include", true}}), UsageError);
  EXPECT_THROW(args.expect_positionals(3, 4, "files"), UsageError);
  EXPECT_THROW(args.expect_positionals(0, 1, "files"), UsageError);
}

TEST(Arguments, TheToolsOwnOptionsEndAtTheCommand) {
  Arguments args({"-v", "--db=x", "ls", "-r", "--db", "y"},
                 {{"-v", "--verbose", false}, {nullptr, "--db", true}},
                 Arguments::OptionsEnd::kAtFirstPositional);
  EXPECT_TRUE(args.flag("--verbose"));
  EXPECT_EQ(args.values("--db"), (std::vector<std::string>{"x"}));
  EXPECT_EQ(args.positionals(), (std::vector<std::string>{"ls", "-r", "--db", "y"}));
}

TEST(Kinds, WordsAndKindLists) {
  EXPECT_EQ(kind_list_for(""), "2:3:4:5:6:7:8");
  EXPECT_EQ(kind_list_for("interface,typedef,union"), "5:8:11");
  EXPECT_THROW(kind_list_for("repository"), ToolError);
  EXPECT_THROW(kind_list_for("interface,"), ToolError);
  EXPECT_EQ(kind_word(CORBA::dk_Alias), "alias");
  EXPECT_TRUE(may_contain(CORBA::dk_Interface, CORBA::dk_Operation));
  EXPECT_FALSE(may_contain(CORBA::dk_Module, CORBA::dk_Operation));
  EXPECT_TRUE(may_contain(CORBA::dk_Struct, CORBA::dk_Enum));
  EXPECT_FALSE(may_contain(CORBA::dk_Operation, CORBA::dk_Struct));
}

TEST(Printing, ArrayBoundsFollowTheName) {
  EXPECT_EQ(declarator("long[2][3]", "m"), "long m[2][3]");
  EXPECT_EQ(declarator("sequence<::M::T, 4>", "s"), "sequence<::M::T, 4> s");
  EXPECT_EQ(declarator("::M::T", "t"), "::M::T t");
  EXPECT_EQ(progress_text(0, 4, 8), "[........] 0/4");
  EXPECT_EQ(progress_text(3, 4, 8), "[######..] 3/4");
  EXPECT_EQ(progress_text(9, 4, 8), "[########] 4/4");
}

}  // namespace
