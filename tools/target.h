#pragma once
// The running window a remote subcommand talks to: "--pid PID" or "--app NAME" (the
// executable's file name without extension; the newest running window of that name), by
// default "--app webbrowser".
#include <functional>
#include <string>
#include <vector>

#include "platform/remote_client.h"

namespace wbctl {

// Exit status when no window matches the target.
constexpr int kExitNoTarget = 2;

// Parses the target options out of `args`, connects to the target window and runs `body`
// with the remaining arguments, of which there must be exactly `positional`. Returns the
// exit status: 1 for bad arguments or a failed exchange, 2 when no window matches, else
// what `body` returns. `usage` is the subcommand's usage line for error messages.
int WithTarget(
    const std::vector<std::string>& args, std::size_t positional, const char* usage,
    const std::function<int(const std::vector<std::string>& rest, wb::RemoteClient& window)>& body);

// Prints "reply=" and the result of a handled reply; anything else is an error.
int PrintReply(const wb::remote::Reply& reply);

}  // namespace wbctl
