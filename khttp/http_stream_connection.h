// The parts of http_stream that its blocking and asynchronous halves share.
#pragma once

#include <memory>
#include <string>

#include "khttp/http_stream.h"
#include "khttp/transport.h"

namespace khttp {

/// One connection of a stream with its own buffers. An asynchronous operation holds the state
/// it started on, so a completion that arrives after the stream was closed and opened again
/// reads into the old buffers and finds that it is no longer current.
struct http_stream::connection_state {
  std::shared_ptr<socket_transport> socket;  // the bottom: TCP (or memory in tests)
  std::shared_ptr<transport> top;            // what requests go over: the socket or TLS on it
  std::string request;                       // the request being written
  std::string received;                      // bytes received and not yet consumed
};

}  // namespace khttp
