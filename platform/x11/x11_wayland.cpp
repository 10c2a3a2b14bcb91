// On a Wayland desktop the window stays an X11 window (XWayland), and the
// screen comes from the desktop's ScreenCast portal and PipeWire.
#include "platform/x11/X11Platform.h"

namespace velmora {

std::string X11Platform::StartWaylandScreen() {
  const std::string tokenFile = ScreenCastTokenFile(ConfigBaseFolder());
  ScreenCastGrant grant = RequestScreenCast(ReadScreenCastToken(tokenFile));
  if (grant.outcome != ScreenCastGrant::Outcome::Granted) return ScreenCastFailureText(grant);
  // The newest token: the desktop may accept each one once only.
  WriteScreenCastToken(tokenFile, grant.restoreToken);
  waylandScreen_ = std::make_unique<PipeWireFrames>(grant.pipeWireFd, grant.streams);
  if (!waylandScreen_->Error().empty()) {
    grant.outcome = ScreenCastGrant::Outcome::Failed;
    grant.detail = waylandScreen_->Error();
    waylandScreen_.reset();
    return ScreenCastFailureText(grant);
  }
  // The hot keys: X key grabs do not see keys typed into Wayland windows.
  // Without the portal, the commands of the running program do their work.
  shortcuts_ = std::make_unique<GlobalShortcuts>([this](HotKey key) { PressHotKey(key); });
  if (!shortcuts_->Error().empty()) shortcuts_.reset();
  return std::string();
}

}  // namespace velmora
