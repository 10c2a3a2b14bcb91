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

// The platform reported an error, in the words of the backend that met it.
class EOSError : public EVelmoraError {
 public:
  explicit EOSError(const std::string& message) : EVelmoraError(message) {}
};

// A failure that ends an action without telling the user.
class ESilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace velmora
