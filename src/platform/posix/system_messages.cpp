// The POSIX stand-in for the system's message table: the texts of the codes that the
// automation servers return.
#include "platform/system_messages.h"

#include <cstdint>

namespace fv::platform {
namespace {

struct Entry {
  uint32_t code;
  const char* text;
};

// Worded as the system words them, each ending in a full stop and a line break.
constexpr Entry kTable[] = {
    {0x80004001u, "Not implemented\r\n"},
    {0x80004002u, "No such interface supported\r\n"},
    {0x80004003u, "Invalid pointer\r\n"},
    {0x80004004u, "Operation aborted\r\n"},
    {0x80004005u, "Unspecified error\r\n"},
    {0x8000FFFFu, "Catastrophic failure\r\n"},
    {0x80070005u, "Access is denied.\r\n"},
    {0x8007000Eu, "Not enough memory resources are available to complete this operation.\r\n"},
    {0x80070057u, "The parameter is incorrect.\r\n"},
    {0x80020003u, "Member not found.\r\n"},
    {0x80020004u, "Parameter not found.\r\n"},
    {0x80020005u, "Type mismatch.\r\n"},
    {0x80020009u, "Exception occurred.\r\n"},
    {0x8002000Bu, "Invalid index.\r\n"},
    {0x800401E3u, "Operation unavailable\r\n"},
    {0x80040154u, "Class not registered\r\n"},
    {0x80080005u, "Server execution failed\r\n"},
    {0x80010001u, "Call was rejected by callee.\r\n"},
    {0x80010007u,
     "The callee (server [not server application]) is not available and "
     "disappeared; all connections are invalid. The call may have executed.\r\n"},
    {0x80010108u, "The object invoked has disconnected from its clients.\r\n"},
    {0x8001011Fu, "This operation returned because the timeout period expired.\r\n"},
    {0x800706BAu, "The RPC server is unavailable.\r\n"},
};

}  // namespace

std::optional<std::string> SystemMessageText(int32_t code) {
  for (const Entry& e : kTable) {
    if (e.code == static_cast<uint32_t>(code)) return std::string(e.text);
  }
  return std::nullopt;
}

}  // namespace fv::platform
