// The native program's command line: the options it knows, what each asks
// for, and the texts it prints. Velmora.exe ignores its command line, as
// Windows programs with a window do.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"

namespace velmora {

// What a command line asks the program to do.
enum class CommandLineAction {
  Run,      // start the window (no options)
  Help,     // print the usage on standard output and end with 0
  Version,  // print the version on standard output and end with 0
  Misuse,   // print an error and the usage on standard error and end with 2
  Command,  // ask the running Velmora to do what a hot key does, and end
};

// One option of kCommandLineOptions. A new option is one more row.
struct CommandLineOption {
  const char* shortName;  // "-h", or nullptr
  const char* longName;   // "--help"
  CommandLineAction action;
  const char* help;                  // one line for the usage
  Action command = Action::CopyHex;  // for Command: what it asks of the running Velmora
};

extern const std::vector<CommandLineOption> kCommandLineOptions;

struct CommandLine {
  CommandLineAction action = CommandLineAction::Run;
  std::string error;                 // for Misuse: what was wrong, one line without a newline
  Action command = Action::CopyHex;  // for Command
};

// Reads the arguments after the program name from left to right, as getopt
// does: the first option that ends the program decides (so "--help --bogus"
// prints the usage, "--bogus --help" an error). Velmora takes no operands.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage, made from kCommandLineOptions.
std::string UsageText();

// What the program prints and the exit code for a command line that does not
// start the window; returns false for Run and Command.
struct CommandLineReply {
  int exitCode = 0;
  std::string out;  // for standard output
  std::string err;  // for standard error
};
bool ReplyTo(const CommandLine& commandLine, CommandLineReply& reply);

// The reply to a Command: `problem` is empty when the running Velmora was
// asked, else why it could not be (standard error, exit code 1).
CommandLineReply ReplyToCommand(const std::string& problem);

}  // namespace velmora
