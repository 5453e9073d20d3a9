// SPDX-License-Identifier: MIT
// The failures the Python module raises, as C++ exceptions that the bindings translate: a link
// failure becomes talvix.LinkError, a capture without a trigger TimeoutError, a settings load
// that reads back differently talvix.ReadBackError, a file that cannot be written OSError. Bad
// arguments are std::invalid_argument (ValueError) and are thrown before anything is sent.
#pragma once

#include <stdexcept>
#include <string>

namespace talvix::python {

// An operation did not reach the sensor or was not answered; the text gives the cause and what
// to check.
class LinkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// No trigger came before the time-out; the capture was disarmed.
class CaptureTimeout : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Settings were written, but some registers read back other words (each is named).
class ReadBackError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be written (named, with the reason); the old one is kept.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace talvix::python
