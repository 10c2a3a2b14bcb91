// The screen on Wayland desktops: the desktop's ScreenCast portal shares
// every monitor, with the pointer's position sent beside the pictures, and
// PipeWire brings the frames. Only GLib/GIO and PipeWire are seen here; the
// window stays an X11 window through XWayland.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace velmora {

// One shared monitor: the PipeWire node and where the desktop places it.
struct ScreenCastStream {
  unsigned nodeId = 0;
  Point position;  // as the portal reports it
  Size size;
};

// What the portal gave: the PipeWire connection and the shared monitors, or
// why there is none.
struct ScreenCastGrant {
  enum class Outcome { Granted, NoPortal, NoPointerPositions, Refused, Failed };
  Outcome outcome = Outcome::Failed;
  std::string detail;  // the portal's or D-Bus's own words, when it failed
  int pipeWireFd = -1;
  std::vector<ScreenCastStream> streams;
  std::string restoreToken;  // the newest: the next start asks nothing
};

// Asks the ScreenCast portal for every monitor with cursor mode Metadata,
// restoring an earlier consent from `restoreToken` when the desktop can.
// Runs the D-Bus calls to the end (the desktop's dialog included).
ScreenCastGrant RequestScreenCast(const std::string& restoreToken);

// The text of the error box for a grant that is not Granted.
std::string ScreenCastFailureText(const ScreenCastGrant& grant);

// The frames of the shared monitors, read on PipeWire's own thread; the
// newest full picture of each and the newest pointer position are kept.
class PipeWireFrames {
 public:
  // Takes the fd. Empty `error` when every stream connected.
  PipeWireFrames(int fd, const std::vector<ScreenCastStream>& streams);
  ~PipeWireFrames();
  PipeWireFrames(const PipeWireFrames&) = delete;
  PipeWireFrames& operator=(const PipeWireFrames&) = delete;

  const std::string& Error() const { return error_; }
  // The pixel under the pointer in the newest frame of the monitor the
  // pointer is on.
  PixelReading Read();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  std::string error_;
};

// Alt+H, Alt+D and Alt+S as the desktop's global shortcuts, through its
// GlobalShortcuts portal (the desktop decides the final keys). Each press
// calls `pressed` on the main loop. Where the desktop has no such portal,
// Error() says so and nothing else happens.
class GlobalShortcuts {
 public:
  explicit GlobalShortcuts(std::function<void(HotKey)> pressed);
  ~GlobalShortcuts();
  GlobalShortcuts(const GlobalShortcuts&) = delete;
  GlobalShortcuts& operator=(const GlobalShortcuts&) = delete;

  const std::string& Error() const { return error_; }

 private:
  static void OnActivated(GDBusConnection* bus, const char* sender, const char* path,
                          const char* interface, const char* signal, GVariant* parameters,
                          void* self);

  std::function<void(HotKey)> pressed_;
  GDBusConnection* bus_ = nullptr;
  std::string session_;
  unsigned subscription_ = 0;
  std::string error_;
};

// Where the newest restore token is kept: beside Config.ini.
std::string ScreenCastTokenFile(const std::string& configBaseFolder);
std::string ReadScreenCastToken(const std::string& file);
void WriteScreenCastToken(const std::string& file, const std::string& token);

}  // namespace velmora
