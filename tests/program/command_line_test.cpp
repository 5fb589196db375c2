#include "program/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillenta {
namespace {

constexpr ToolkitOption kToolkit[] = {{"platform", true}, {"reverse", false}};

struct Case {
  const char* what;
  std::vector<std::string> args;
  bool windows_style;
  CommandAction action;
  const char* error;  // part of the error, for kBadOption
};

TEST(CommandLine, Table) {
  const Case cases[] = {
      {"no argument starts the program", {}, false, CommandAction::kRun, ""},
      {"--help", {"--help"}, false, CommandAction::kHelp, ""},
      {"-h", {"-h"}, false, CommandAction::kHelp, ""},
      {"--version", {"--version"}, false, CommandAction::kVersion, ""},
      {"the first of help and version wins",
       {"--version", "--help"},
       false,
       CommandAction::kVersion,
       ""},
      {"/? is help on Windows", {"/?"}, true, CommandAction::kHelp, ""},
      {"/? is an argument elsewhere", {"/?"}, false, CommandAction::kBadOption, "'/?'"},
      {"an unknown long option",
       {"--verbose"},
       false,
       CommandAction::kBadOption,
       "unrecognized option '--verbose'"},
      {"an unknown short option", {"-x"}, false, CommandAction::kBadOption, "'-x'"},
      {"a near miss of --version", {"--versio"}, false, CommandAction::kBadOption, "'--versio'"},
      {"--help=yes is not --help",
       {"--help=yes"},
       false,
       CommandAction::kBadOption,
       "'--help=yes'"},
      {"an error wins over --help",
       {"--help", "--bogus"},
       false,
       CommandAction::kBadOption,
       "'--bogus'"},
      {"an argument that is no option",
       {"settings.ini"},
       false,
       CommandAction::kBadOption,
       "unexpected argument 'settings.ini'"},
      {"a lone dash", {"-"}, false, CommandAction::kBadOption, "unexpected argument '-'"},
      {"an empty argument", {""}, false, CommandAction::kBadOption, "unexpected argument ''"},
      {"a toolkit option with its value", {"-platform", "xcb"}, false, CommandAction::kRun, ""},
      {"a toolkit option with two dashes", {"--platform", "xcb"}, false, CommandAction::kRun, ""},
      {"a toolkit option with =value", {"-platform=offscreen"}, false, CommandAction::kRun, ""},
      {"the value is not taken for an option",
       {"-platform", "--help"},
       false,
       CommandAction::kRun,
       ""},
      {"a toolkit option without its value",
       {"-platform"},
       false,
       CommandAction::kBadOption,
       "'-platform' needs a value"},
      {"a toolkit switch", {"-reverse"}, false, CommandAction::kRun, ""},
      {"a toolkit switch given a value",
       {"-reverse=1"},
       false,
       CommandAction::kBadOption,
       "takes no value"},
      {"a toolkit option then --version",
       {"-reverse", "--version"},
       false,
       CommandAction::kVersion,
       ""},
  };
  for (const Case& c : cases) {
    const CommandLine result = ParseCommandLine(c.args, kToolkit, c.windows_style);
    EXPECT_EQ(result.action, c.action) << c.what;
    if (c.action == CommandAction::kBadOption) {
      EXPECT_NE(result.error.find(c.error), std::string::npos) << c.what << ": " << result.error;
    } else {
      EXPECT_EQ(result.error, "") << c.what;
    }
  }
}

TEST(CommandLine, WithoutToolkitOptionsEveryDashArgumentIsRefused) {
  for (const char* arg : {"-platform", "--display", "-style"}) {
    EXPECT_EQ(ParseCommandLine({arg, "x"}, {}, true).action, CommandAction::kBadOption) << arg;
  }
}

TEST(CommandLine, Texts) {
  EXPECT_EQ(VersionText(), "quillenta " QUILLENTA_TEST_VERSION "\n");
  const std::string help = HelpText("Exit status: 0.\n");
  EXPECT_EQ(help.rfind(UsageLine(), 0), 0u) << help;
  for (const char* part : {"--help", "--version", "title bar", "\nExit status: 0.\n"}) {
    EXPECT_NE(help.find(part), std::string::npos) << part;
  }
  const std::string bad = BadOptionText(ParseCommandLine({"--frob"}, {}, false));
  EXPECT_EQ(bad, "quillenta: unrecognized option '--frob'\n" + UsageLine() +
                     "Try 'quillenta --help' for more information.\n");
}

}  // namespace
}  // namespace quillenta
