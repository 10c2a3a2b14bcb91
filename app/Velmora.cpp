// The program entry: the native platform, then the application.
#include <cstdio>
#include <cstring>

#include "app/Application.h"
#include "platform/PlatformFactory.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("Velmora %s\n", velmora::kVersionText);
    return 0;
  }
  std::unique_ptr<velmora::IPlatform> platform = velmora::CreateNativePlatform();
  velmora::SetPlatform(platform.get());
  const int code = velmora::RunVelmora();
  velmora::SetPlatform(nullptr);
  return code;
}
