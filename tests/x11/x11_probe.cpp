// A stand-in form on the native platform, for the tests of how a session
// ends: it records OnSessionEnd and OnDestroy in a profile file, and opens
// ADDRESS through the desktop once it shows ("error-box": shows an error box).
//   velmora_linux_probe FILE [ADDRESS]
#include <cstdio>

#include "platform/PlatformFactory.h"
#include "platform/Version.h"

namespace velmora {
namespace {

class ProbeForm : public IWindowEvents {
 public:
  ProbeForm(std::string file, std::string address)
      : file_(std::move(file)), address_(std::move(address)) {}
  IWindow* window = nullptr;
  void OnShow() override {
    Record("Show");
    if (address_ == "error-box") {
      Platform().ShowErrorBox(window, kApplicationTitle, "A failure.");
      Record("ErrorBoxClosed");
    } else if (!address_.empty()) {
      Platform().OpenAddress(window, address_);
    }
  }
  void OnTimer() override {}
  void OnHotKey(int) override {}
  void OnMouseDown(Point, MouseButton) override {}
  void OnMouseUp(Point, MouseButton) override {}
  void OnMouseMove(Point) override {}
  void OnMouseLeave() override {}
  PointerShape PointerAt(Point) override { return PointerShape::Arrow; }
  void OnPaint(ICanvas& canvas, const Rect& dirty) override { canvas.FillRect(dirty, 0xFF); }
  void OnDestroy() override { Record("Destroy"); }
  void OnSessionEnd() override { Record("SessionEnd"); }

 private:
  void Record(const char* what) { Platform().WriteProfileValues(file_, "Probe", {{what, "1"}}); }
  std::string file_;
  std::string address_;
};

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) return 2;
  std::unique_ptr<velmora::IPlatform> platform = velmora::CreateNativePlatform();
  if (platform == nullptr) return velmora::kExitCannotRunHere;
  velmora::SetPlatform(platform.get());
  velmora::ProbeForm form(argv[1], argc == 3 ? argv[2] : "");
  velmora::WindowDesc desc;
  desc.caption = "Velmora probe";
  desc.width = 272;
  desc.height = 32;
  std::unique_ptr<velmora::IWindow> window =
      platform->CreateMainWindow(desc, velmora::kApplicationTitle, form);
  form.window = window.get();
  window->RunEventLoop();
  window->Destroy();
  window.reset();
  velmora::SetPlatform(nullptr);
  return 0;
}
