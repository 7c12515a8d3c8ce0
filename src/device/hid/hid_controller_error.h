#pragma once

#include "core/errors.h"

namespace kv {

// A device the controller found but could not use ("Device cannot be opened",
// "Device cannot be identified").
class EControllerError : public Error {
public:
    using Error::Error;
};

// A device whose node was gone by the time it was opened: unplugged right after the
// scan. Not an error; the device is left out of the pass.
class EDeviceGone : public EControllerError {
public:
    using EControllerError::EControllerError;
};

}  // namespace kv
