#include "app/Application.h"

#include <memory>

#include "core/Errors.h"
#include "platform/Platform.h"
#include "ui/MainFrm.h"

namespace velmora {

std::string TApplication::BoxText(const std::string& message) {
  // A full stop unless the message is empty or already ends in "." or a
  // character below it (blanks, line breaks, most punctuation).
  if (message.empty() || static_cast<unsigned char>(message.back()) <= '.') return message;
  return message + ".";
}

void TApplication::HandleException(std::exception_ptr error) {
  Platform().CancelPointerCapture();
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const ESilentAbort&) {
    return;
  } catch (const std::exception& e) {
    message = e.what();
  } catch (...) {
    message = "Unknown failure";
  }
  // Timer ticks go on while the box is open; a failure they raise meanwhile
  // must not stack a second box on the first.
  if (showingError_) return;
  showingError_ = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{showingError_};
  Platform().ShowErrorBox(MainWindow, Title, BoxText(message));
}

int RunVelmora() {
  TApplication application;
  application.Title = kApplicationTitle;
  SetExceptionHandler(
      [&application](std::exception_ptr error) { application.HandleException(error); });
  std::unique_ptr<TMainForm> form;
  try {
    form = std::make_unique<TMainForm>();
  } catch (...) {
    // Without its window there is no program: say why rather than abort.
    application.HandleException(std::current_exception());
    SetExceptionHandler(nullptr);
    return 1;
  }
  application.MainWindow = &form->Window();
  try {
    form->FormCreate();
  } catch (...) {
    application.HandleException(std::current_exception());
  }
  form->Window().RunEventLoop();
  form->Window().Destroy();
  application.MainWindow = nullptr;
  form.reset();
  SetExceptionHandler(nullptr);
  return 0;
}

}  // namespace velmora
