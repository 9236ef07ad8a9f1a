// Reading a response head off a connection.
#pragma once

#include <boost/system/error_code.hpp>
#include <functional>
#include <memory>
#include <string>

#include "khttp/transport.h"

namespace khttp {

/// Reads from `connection`, appending to `received`, until `received` holds a whole response
/// head; `head_size` is its length. Bytes past the head stay in `received`. A first line that
/// is no status line gives code 1; a header block that does not end (the connection closes
/// inside it, or it grows past kMaxResponseHead) gives code 2; the end of the stream before a
/// status line is eof.
void ReadResponseHead(transport& connection, std::string& received, std::size_t& head_size,
                      boost::system::error_code& ec);

/// The same, asynchronously; `received` must stay alive until the handler runs.
void AsyncReadResponseHead(
    const std::shared_ptr<transport>& connection, std::string& received,
    std::function<void(const boost::system::error_code&, std::size_t)> handler);

}  // namespace khttp
