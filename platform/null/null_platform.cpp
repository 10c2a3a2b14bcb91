// Screen, clipboard, desktop requests and dialogs of the null platform.
#include "platform/null/NullPlatform.h"

#include <algorithm>

namespace velmora {

NullPlatform::NullPlatform() { SetPlatform(this); }

NullPlatform::~NullPlatform() { SetPlatform(nullptr); }

PixelReading NullPlatform::ReadPixelUnderPointer() {
  ++pixelReads;
  return PointerReading();
}

PixelReading NullPlatform::PointerReading() const {
  PixelReading reading;
  if (!pointerReadable) {
    reading.error = pointerError;
    return reading;
  }
  reading.ok = true;
  reading.position = pointer;
  reading.color = ScreenPixel(pointer);
  return reading;
}

TColor NullPlatform::ScreenPixel(Point p) const {
  const bool onMonitor =
      screen.Contains(p) || std::any_of(otherMonitors.begin(), otherMonitors.end(),
                                        [p](const Rect& monitor) { return monitor.Contains(p); });
  if (!pixelsReadable || !onMonitor) return kInvalidColor;
  const Rect loupe{loupeCorner.x, loupeCorner.y, loupeSide, loupeSide};
  if (loupeAlive && loupeVisible && loupe.Contains(p)) {
    return loupePixels[static_cast<std::size_t>((p.y - loupe.y) * loupeSide + p.x - loupe.x)];
  }
  auto it = screenPixels.find({p.x, p.y});
  return it == screenPixels.end() ? screenFill : it->second;
}

PixelReading NullPlatform::ReadPixelAndBlockUnderPointer(int radius, PixelBlock& block) {
  ++pointerBlockReads;
  const PixelReading reading = PointerReading();
  if (reading.ok) block = BlockOf(BlockAround(pointer, radius));
  return reading;
}

PixelBlock NullPlatform::ReadPixelBlock(const Rect& area) {
  ++blockReads;
  return BlockOf(area);
}

PixelBlock NullPlatform::BlockOf(const Rect& area) const {
  PixelBlock block;
  block.area = area;
  for (int y = area.y; y < area.y + area.height; ++y) {
    for (int x = area.x; x < area.x + area.width; ++x) {
      const TColor c = ScreenPixel(Point{x, y});
      block.pixels.push_back(c == kInvalidColor ? kOffScreenColor : c);
    }
  }
  return block;
}

namespace {

// The null platform's loupe: its state lives in the NullPlatform.
class NullLoupeWindow : public ILoupeWindow {
 public:
  NullLoupeWindow(NullPlatform& platform, int side) : platform_(platform) {
    ++platform_.loupesCreated;
    platform_.loupeAlive = true;
    platform_.loupeSide = side;
    platform_.loupeVisible = false;
    platform_.loupePixels.assign(static_cast<std::size_t>(side * side), 0);
  }
  ~NullLoupeWindow() override {
    platform_.loupeAlive = false;
    platform_.loupeVisible = false;
  }
  void MoveTo(Point corner) override { platform_.loupeCorner = corner; }
  void ShowImage(const std::vector<TColor>& pixels) override {
    ++platform_.loupePaints;
    platform_.loupePixels = pixels;
    platform_.loupeVisible = true;
  }

 private:
  NullPlatform& platform_;
};

}  // namespace

std::unique_ptr<ILoupeWindow> NullPlatform::CreateLoupeWindow(int side) {
  return std::make_unique<NullLoupeWindow>(*this, side);
}

ClipboardResult NullPlatform::SetClipboardText(IWindow* owner, const std::string& text) {
  ++clipboardAttempts;
  if (clipboardHeldElsewhere) return ClipboardResult::Busy;
  if (clipboardBusyAttempts > 0) {
    --clipboardBusyAttempts;
    return ClipboardResult::Busy;
  }
  // Emptied first, as the clipboard is before it takes new content.
  clipboardText.clear();
  clipboardHasOtherFormat = false;
  clipboardOwner = owner;
  if (clipboardRefusesData) return ClipboardResult::Refused;
  clipboardText = text;
  return ClipboardResult::Ok;
}

void NullPlatform::OpenAddress(IWindow*, const std::string& address) {
  shellRequests.push_back(address);
}

bool NullPlatform::SetStartAtLogin(bool on) {
  if (startAtLoginLocked) return false;
  startsAtLogin = on;
  return true;
}

bool NullPlatform::PickColor(IWindow*, TColor& color) {
  chooserShown.push_back(color);
  if (!chooserConfirms) return false;
  color = chooserPick;
  return true;
}

void NullPlatform::ShowErrorBox(IWindow*, const std::string& caption, const std::string& text) {
  errorBoxes.push_back(MessageBox{caption, text});
  if (whileErrorBoxOpen) whileErrorBoxOpen();
}

void NullPlatform::ShowInfoBox(IWindow*, const std::string& caption, const std::string& text) {
  infoBoxes.push_back(MessageBox{caption, text});
}

bool NullPlatform::ChooseSaveFile(IWindow*, const std::string&, const std::string& suggested,
                                  const std::vector<std::pair<std::string, std::string>>&,
                                  std::string& file) {
  saveDialogsShown.push_back(suggested);
  if (saveDialogAnswer.empty()) return false;
  file = saveDialogAnswer;
  return true;
}

std::vector<Rect> NullPlatform::Monitors() {
  std::vector<Rect> monitors{screen};
  monitors.insert(monitors.end(), otherMonitors.begin(), otherMonitors.end());
  return monitors;
}

void NullPlatform::CancelPointerCapture() {
  if (!pointerCaptured) return;
  pointerCaptured = false;
  ++captureCancels;
}

TColor NullPlatform::SystemColorValue(SystemColor color) {
  switch (color) {
    case SystemColor::WindowText:
      break;
  }
  return systemWindowText;
}

}  // namespace velmora
