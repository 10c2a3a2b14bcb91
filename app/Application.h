// The application object: its title, the run of the main window and the
// display of every failure that escapes an event handler.
#pragma once

#include <exception>
#include <string>

#include "platform/Platform.h"
#include "platform/Version.h"

namespace velmora {

class TApplication {
 public:
  std::string Title;
  IWindow* MainWindow = nullptr;  // owner of the error boxes (not owned)

  // Shows a failure in a modal error box (or drops it, see the .cpp).
  void HandleException(std::exception_ptr error);
  // The text the error box shows for a failure message.
  static std::string BoxText(const std::string& message);

 private:
  bool showingError_ = false;
};

// Initialises the application, runs the main window until it closes and
// returns the exit code.
int RunVelmora();

}  // namespace velmora
