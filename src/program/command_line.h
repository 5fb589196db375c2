#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lang/language.h"

namespace quillenta {

enum class CommandAction { kRun, kHelp, kVersion, kBadOption };

// An option that belongs to the toolkit (Qt's -platform, -display ...): passed over, with its
// value when it takes one.
struct ToolkitOption {
  std::string_view name;
  bool takes_value;
};

struct CommandLine {
  CommandAction action = CommandAction::kRun;
  // Why the command line was refused, for kBadOption.
  std::string error;
  // --lang=ja|en|pseudo: the interface's language for this run, whatever the settings say.
  std::optional<Language> language;
};

// The arguments after the program's name; --help's text is in the interface's language, so the
// caller sets that from `language` (or the system's) before it asks for the text. `windows_style` also takes "/?" for help.
CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             std::span<const ToolkitOption> toolkit_options, bool windows_style);

// Exit statuses, as the manual page gives them.
inline constexpr int kExitBadOption = 2;

std::string VersionText();
std::string UsageLine();
// `notes` end the help: what differs between the systems.
std::string HelpText(std::string_view notes);
// The error, the usage line and where to read more: what a bad option prints.
std::string BadOptionText(const CommandLine& command_line);

}  // namespace quillenta
