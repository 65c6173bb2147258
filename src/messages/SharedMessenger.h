#pragma once
// The message log of the running import (one per thread), created by the driver.

#include <tessaro/Messenger.h>

#include <memory>

namespace tessaro {

extern thread_local std::shared_ptr<Messenger> SharedMessenger;

}  // namespace tessaro
