// The program entry: the command line (natively), the native platform, then
// the application.
#include <cstdio>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/CommandLine.h"
#include "platform/PlatformFactory.h"

int main(int argc, char** argv) {
#ifndef _WIN32
  // Before the platform: none of these needs a display.
  velmora::CommandLineReply reply;
  const velmora::CommandLine line =
      velmora::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (line.action == velmora::CommandLineAction::Command) {
    reply = velmora::ReplyToCommand(velmora::SendToRunningVelmora(line.command));
  }
  if (line.action == velmora::CommandLineAction::Command || velmora::ReplyTo(line, reply)) {
    std::fputs(reply.out.c_str(), stdout);
    std::fputs(reply.err.c_str(), stderr);
    return reply.exitCode;
  }
#else
  (void)argc;
  (void)argv;
#endif
  std::unique_ptr<velmora::IPlatform> platform = velmora::CreateNativePlatform();
  if (platform == nullptr) return velmora::kExitCannotRunHere;
  velmora::SetPlatform(platform.get());
  const int code = velmora::RunVelmora();
  velmora::SetPlatform(nullptr);
  return code;
}
