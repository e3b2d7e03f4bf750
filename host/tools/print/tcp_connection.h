// A raw TCP connection to a network printer (socket://HOST[:PORT], port 9100 by default).
#ifndef BRIMLOFT_HOST_TOOLS_PRINT_TCP_CONNECTION_H
#define BRIMLOFT_HOST_TOOLS_PRINT_TCP_CONNECTION_H

#include "host/host_namespace.h"

#include <chrono>
#include <string>

namespace brimloft::host {

struct TcpAddress {
  std::string host;
  std::string port = "9100";
};

// "socket://HOST[:PORT]" ("[v6]:PORT" for an IPv6 literal). Throws HostError (E_INVALIDARG) when
// the host is missing or the port is no number from 1 to 65535.
TcpAddress ParseSocketUri(const std::string& uri);

// Connects to every address the host resolves to in turn, each within timeout; returns the
// connected descriptor (blocking, close-on-exec). Throws HostError naming the host, the port and
// the system's reason when none answers.
int ConnectTcp(const TcpAddress& address, std::chrono::milliseconds timeout);

}  // namespace brimloft::host

#endif
