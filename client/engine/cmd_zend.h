// ZEND: submitting one message with its files to its recipients, one status line per recipient.
#pragma once

#include <string>

namespace kv::engine {

struct EngineContext;

// Sends the message described by the attribute state with the recipients already built
// (ctx.attributes.recipient_count of them). Returns 0 when sent, -1 when the send failed, -2 after
// Escape, -3 after a fatal verdict. Writes one status line per recipient.
int zend(EngineContext& ctx, std::string& record);

// The name handed to the messaging layer for a file named in the command file: the full path
// against the engine directory when it fits `width` - 1 characters, otherwise the name with "/"
// separators relative to the engine directory.
std::string api_file_name(EngineContext& ctx, const std::string& name, std::size_t width);

}  // namespace kv::engine
