#include "program/command_line.h"

#include "lang/translate.h"

namespace quillenta {

namespace {

const ToolkitOption* FindToolkitOption(std::string_view name,
                                       std::span<const ToolkitOption> options) {
  for (const ToolkitOption& option : options) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

CommandLine Refuse(std::string error) { return {CommandAction::kBadOption, std::move(error), {}}; }

constexpr std::string_view kLanguageOption = "--lang";

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args,
                             std::span<const ToolkitOption> toolkit_options, bool windows_style) {
  CommandLine result;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // The first of --help and --version wins, as in GNU programs; an error anywhere wins over
    // both, so that a mistyped script line is never taken for a start.
    if (arg == "--help" || arg == "-h" || (windows_style && arg == "/?")) {
      if (result.action == CommandAction::kRun) result.action = CommandAction::kHelp;
      continue;
    }
    if (arg == "--version") {
      if (result.action == CommandAction::kRun) result.action = CommandAction::kVersion;
      continue;
    }
    if (arg == kLanguageOption || arg.starts_with("--lang=")) {
      std::string value;
      if (arg.size() > kLanguageOption.size()) {
        value = arg.substr(kLanguageOption.size() + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return Refuse("option '--lang' needs a value");
      }
      result.language = ParseLanguage(value);
      if (!result.language) return Refuse("unknown language '" + value + "' (ja, en)");
      continue;
    }
    if (arg.empty() || arg[0] != '-' || arg == "-")
      return Refuse("unexpected argument '" + arg + "'");
    // Qt takes its options with one dash or two, and a value after '=' or as the next argument.
    std::string_view name(arg);
    name.remove_prefix(name.starts_with("--") ? 2 : 1);
    const std::size_t equals = name.find('=');
    const bool value_attached = equals != std::string_view::npos;
    if (value_attached) name = name.substr(0, equals);
    const ToolkitOption* option = FindToolkitOption(name, toolkit_options);
    if (option == nullptr) return Refuse("unrecognized option '" + arg + "'");
    if (!option->takes_value) {
      if (value_attached) return Refuse("option '" + arg + "' takes no value");
      continue;
    }
    if (value_attached) continue;
    if (i + 1 >= args.size()) return Refuse("option '" + arg + "' needs a value");
    ++i;
  }
  return result;
}

std::string VersionText() { return "quillenta " QUILLENTA_VERSION "\n"; }

std::string UsageLine() {
  return Tr("command line", "Usage: quillenta [--help | --version | --lang=ja|en]\n");
}

std::string HelpText(std::string_view notes) {
  std::string text = UsageLine();
  text += Tr("command line",
             "Keeps an information line (the window's own title, date, time, memory, CPU ...)\n"
             "written into the title bar of the window in front. Its menu and its settings window\n"
             "open from the icon in the notification area.\n"
             "\n"
             "  -h, --help     show this help and exit\n"
             "      --version  show the version and exit\n"
             "      --lang=ja|en  the interface's language for this run (Japanese, English)\n");
  if (!notes.empty()) {
    text += '\n';
    text += notes;
  }
  return text;
}

std::string BadOptionText(const CommandLine& command_line) {
  return "quillenta: " + command_line.error + "\n" + UsageLine() +
         Tr("command line", "Try 'quillenta --help' for more information.\n");
}

}  // namespace quillenta
