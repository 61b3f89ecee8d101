// Exceptions of the message model, the MIME writer and the MIME reader. They join the
// transport family rooted in EIdException and carry the English texts the user sees.
#pragma once

#include <string>

#include "transport/exceptions.h"

namespace transport {

// Any failure of the message model: wrong encoding choice, unknown part kind, broken data.
class EIdMessageException : public EIdException {
 public:
  using EIdException::EIdException;
};

// An "@" after an address that was already closed with ">": "@ Outside address".
class EIdEmailParseError : public EIdMessageException {
 public:
  EIdEmailParseError() : EIdMessageException("@ Outside address") {}
};

// A message file that does not exist: "Cannot load message from file <name>".
class EIdMessageCannotLoad : public EIdMessageException {
 public:
  explicit EIdMessageCannotLoad(const std::string& file_name)
      : EIdMessageException("Cannot load message from file " + file_name) {}
};

// The local time zone could not be read while writing a Date header.
class EIdFailedToRetreiveTimeZoneInfo : public EIdMessageException {
 public:
  EIdFailedToRetreiveTimeZoneInfo()
      : EIdMessageException("Failed attempting to retrieve time zone information.") {}
};

}  // namespace transport
