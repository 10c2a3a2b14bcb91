// The always-on actions (Alt+H, Alt+D, Alt+S) as the desktop's global
// shortcuts, through its GlobalShortcuts portal; the desktop decides the
// final keys. Only GLib/GIO is seen here.
#pragma once

#include <functional>
#include <string>

#include "platform/Platform.h"

typedef struct _GDBusConnection GDBusConnection;
typedef struct _GVariant GVariant;

namespace velmora {

class GlobalShortcuts {
 public:
  // Each press calls `pressed` on the main loop. Where the desktop has no
  // such portal, Error() says so and nothing else happens.
  explicit GlobalShortcuts(std::function<void(Action)> pressed);
  ~GlobalShortcuts();
  GlobalShortcuts(const GlobalShortcuts&) = delete;
  GlobalShortcuts& operator=(const GlobalShortcuts&) = delete;

  const std::string& Error() const { return error_; }

 private:
  static void OnActivated(GDBusConnection* bus, const char* sender, const char* path,
                          const char* interface, const char* signal, GVariant* parameters,
                          void* self);

  std::function<void(Action)> pressed_;
  GDBusConnection* bus_ = nullptr;
  std::string session_;
  unsigned subscription_ = 0;
  std::string error_;
};

}  // namespace velmora
