#pragma once

#include <stdexcept>
#include <string>

namespace shelvex {

// The project's one error type for unexpected failures. The message reads "context: cause" and
// names the file concerned, e.g. "BOOKS.DBT: memo block 812 lies past the end of the file".
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file that cannot be created, opened, read or written. Callers that must tell an input/output
// failure apart (the activity log ends an operation with it) catch this one.
class IoError : public Error {
 public:
  using Error::Error;
};

}  // namespace shelvex
