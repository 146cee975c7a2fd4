#pragma once

#include <exception>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>

#include "model/messages.h"
#include "platform/error.h"

namespace plotaktar {

// A text that does not convert to an integer: "'%s' is not a valid integer value".
class ConversionError : public Error {
  public:
    using Error::Error;
};

// A layer number that converts but addresses no row of the layer table.
class LayerRangeError : public Error {
  public:
    using Error::Error;
};

// The whole message of a failure, for the general error handler: "Out of memory" when memory
// ran out.
inline std::string MessageOf(const std::exception& failure) {
    if (const auto* error = dynamic_cast<const Error*>(&failure)) {
        return error->message();
    }
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr) {
        return std::string(kOutOfMemoryMessage);
    }
    return failure.what();
}

}  // namespace plotaktar
