#pragma once

#include <stdexcept>
#include <string>

namespace kestro {

// Base of every error the system raises. An error carries a message and the
// name of its class, which the start-up error box shows ("Exception EFoo ...").
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  virtual const char* ClassName() const noexcept { return "Exception"; }
  std::string Message() const { return what(); }
};

// Declares an error class deriving directly from kestro::Exception.
#define KESTRO_DECLARE_ERROR(Name)                                        \
  class Name : public ::kestro::Exception {                               \
   public:                                                                \
    using ::kestro::Exception::Exception;                                 \
    const char* ClassName() const noexcept override { return #Name; }    \
  }

// A file that cannot be opened.
KESTRO_DECLARE_ERROR(EFOpenError);
// A file that cannot be created.
KESTRO_DECLARE_ERROR(EFCreateError);
// A read or write that failed part-way.
KESTRO_DECLARE_ERROR(EInOutError);

}  // namespace kestro
