#pragma once

#include "core/errors.h"

namespace kv {

// A device the controller found but could not use ("Device cannot be opened",
// "Device cannot be identified").
class EControllerError : public Error {
public:
    using Error::Error;
};

}  // namespace kv
