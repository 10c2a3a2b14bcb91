// The screen of a Wayland desktop with a ScreenCast portal that sends the
// pointer's position (GNOME, KDE Plasma): every monitor shared once, with an
// earlier consent restored from the token file, the frames read through
// PipeWire.
#pragma once

#include <memory>
#include <string>

#include "platform/linux/ScreenSource.h"

namespace velmora {

struct PortalScreenStart {
  std::unique_ptr<IScreenSource> source;  // nullptr: see refusal
  std::string refusal;                    // the text of the box saying why not
};

// Asks the desktop (its share dialog included) and connects to the frames.
// `tokenFile` keeps the newest restore token; `lost` hears when the desktop
// ends the share later.
PortalScreenStart StartPortalScreen(const std::string& tokenFile, ScreenLostHandler lost);

// The restore token kept in `file` ("" when there is none).
std::string ReadScreenCastToken(const std::string& file);
// Keeps `token` in `file` (nothing when it is empty), the folder made first.
void WriteScreenCastToken(const std::string& file, const std::string& token);

}  // namespace velmora
