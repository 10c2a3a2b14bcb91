// The program entry: the native platform, then the application.
#include "app/Application.h"
#include "platform/PlatformFactory.h"

int main() {
  std::unique_ptr<velmora::IPlatform> platform = velmora::CreateNativePlatform();
  velmora::SetPlatform(platform.get());
  const int code = velmora::RunVelmora();
  velmora::SetPlatform(nullptr);
  return code;
}
