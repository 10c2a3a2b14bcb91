// Failures travel as exceptions carrying the text the user sees.
#pragma once

#include <stdexcept>
#include <string>

namespace velmora {

// A failure shown to the user in an error box.
class EVelmoraError : public std::runtime_error {
 public:
  explicit EVelmoraError(const std::string& message) : std::runtime_error(message) {}
};

// The platform reported an error; the message names its code and description.
class EOSError : public EVelmoraError {
 public:
  EOSError(int code, const std::string& message) : EVelmoraError(message), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

// A failure that ends an action without telling the user.
class ESilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace velmora
