#pragma once

#include "support/UniqueFd.h"

#include <cstddef>
#include <string_view>
#include <sys/types.h>

// Passing an open descriptor (a connected socket) to another process over a
// Unix socket, with a few bytes of text beside it (SCM_RIGHTS). Neither call
// waits.
namespace tarvo::socketio {

// Sends `text` with `descriptor` attached, in one message; true only when all
// of the text went (the descriptor goes with its first byte).
bool sendWithDescriptor(int socket, std::string_view text, int descriptor);

// Receives what is there into `buffer`, as recv does (the byte count, 0 at
// the end, -1 with errno). A descriptor that came with it goes into
// `descriptor` when that holds none; any other is closed at once, so none
// is left open unseen.
ssize_t receiveWithDescriptor(int socket, void* buffer, std::size_t size, UniqueFd& descriptor);

} // namespace tarvo::socketio
