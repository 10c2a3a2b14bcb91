#include "app/CommandLine.h"

#include <algorithm>
#include <cstring>

#include "platform/Version.h"

namespace velmora {

const std::vector<CommandLineOption> kCommandLineOptions = {
    {"-h", "--help", CommandLineAction::Help, "print this help and end"},
    {nullptr, "--version", CommandLineAction::Version, "print the version and end"},
    {nullptr, "--copy-hex", CommandLineAction::Command,
     "the running Velmora copies the hex code (as Alt+H)", Action::CopyHex},
    {nullptr, "--copy-dec", CommandLineAction::Command,
     "the running Velmora copies the decimal triple (as Alt+D)", Action::CopyDec},
    {nullptr, "--store", CommandLineAction::Command,
     "the running Velmora stores the colour (as Alt+S)", Action::Store},
};

namespace {

const char* const kProgramName = "velmora";

const CommandLineOption* FindOption(const std::string& argument) {
  for (const CommandLineOption& option : kCommandLineOptions) {
    if (argument == option.longName ||
        (option.shortName != nullptr && argument == option.shortName)) {
      return &option;
    }
  }
  return nullptr;
}

CommandLine Misuse(std::string error) {
  CommandLine line;
  line.action = CommandLineAction::Misuse;
  line.error = std::move(error);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  bool options = true;
  for (const std::string& argument : arguments) {
    if (options && argument == "--") {
      options = false;
      continue;
    }
    if (!options || argument.size() < 2 || argument[0] != '-') {
      return Misuse("unexpected argument '" + argument + "'");
    }
    const CommandLineOption* option = FindOption(argument);
    if (option == nullptr) return Misuse("unknown option '" + argument + "'");
    if (option->action != CommandLineAction::Run) {
      CommandLine line;
      line.action = option->action;
      line.command = option->command;
      return line;
    }
  }
  return CommandLine{};
}

std::string UsageText() {
  std::string text = std::string("Usage: ") + kProgramName + " [OPTION]\n" +
                     "Shows the colour of the screen pixel under the mouse pointer in a small\n"
                     "window that stays on top; Alt+H and Alt+D copy its code, Alt+S stores it.\n"
                     "\n";
  std::size_t width = 0;
  auto names = [](const CommandLineOption& option) {
    return std::string(option.shortName != nullptr ? option.shortName : "  ") +
           (option.shortName != nullptr ? ", " : "  ") + option.longName;
  };
  for (const CommandLineOption& option : kCommandLineOptions) {
    width = std::max(width, names(option).size());
  }
  for (const CommandLineOption& option : kCommandLineOptions) {
    const std::string name = names(option);
    text += "  " + name + std::string(width - name.size() + 2, ' ') + option.help + "\n";
  }
  return text;
}

bool ReplyTo(const CommandLine& commandLine, CommandLineReply& reply) {
  switch (commandLine.action) {
    case CommandLineAction::Run:
    case CommandLineAction::Command:
      return false;
    case CommandLineAction::Help:
      reply = {0, UsageText(), ""};
      return true;
    case CommandLineAction::Version:
      reply = {0, std::string("Velmora ") + kVersionText + "\n", ""};
      return true;
    case CommandLineAction::Misuse:
      reply = {2, "", std::string(kProgramName) + ": " + commandLine.error + "\n" + UsageText()};
      return true;
  }
  return false;
}

CommandLineReply ReplyToCommand(const std::string& problem) {
  if (problem.empty()) return {0, "", ""};
  return {1, "", std::string(kProgramName) + ": " + problem + "\n"};
}

}  // namespace velmora
