#include "host/tools/print/tcp_connection.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "host/failures/host_error.h"

namespace brimloft::host {
namespace {

HRESULT HrUnreachable() { return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT); }

// Connects one address within timeout; returns the descriptor or -1 with errno set.
int ConnectOne(const addrinfo& a, std::chrono::milliseconds timeout) {
  const int fd = socket(a.ai_family, a.ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a.ai_protocol);
  if (fd < 0) return -1;
  int error = 0;
  if (connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      int ready;
      do ready = poll(&p, 1, static_cast<int>(timeout.count()));
      while (ready < 0 && errno == EINTR);
      socklen_t size = sizeof error;
      if (ready == 0) error = ETIMEDOUT;
      else if (ready < 0) error = errno;
      else if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
    }
  }
  if (error == 0) error = fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 ? 0 : errno;
  if (error == 0) return fd;
  close(fd);
  errno = error;
  return -1;
}

}  // namespace

TcpAddress ParseSocketUri(const std::string& uri) {
  const std::string scheme = "socket://";
  std::string rest = uri.substr(scheme.size());
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  TcpAddress address;
  size_t colon = std::string::npos;
  if (!rest.empty() && rest[0] == '[') {
    const size_t close = rest.find(']');
    if (close == std::string::npos) throw HostError(E_INVALIDARG, uri + ": the IPv6 address lacks its ']'");
    address.host = rest.substr(1, close - 1);
    if (close + 1 < rest.size() && rest[close + 1] == ':') colon = close + 1;
  } else {
    colon = rest.rfind(':');
    address.host = rest.substr(0, colon);
  }
  if (colon != std::string::npos) address.port = rest.substr(colon + 1);
  if (address.host.empty()) throw HostError(E_INVALIDARG, uri + ": no printer host given (socket://HOST[:PORT])");
  const bool digits = !address.port.empty() && address.port.size() <= 5 &&
                      address.port.find_first_not_of("0123456789") == std::string::npos;
  if (!digits || std::stoi(address.port) < 1 || std::stoi(address.port) > 65535)
    throw HostError(E_INVALIDARG, uri + ": the port \"" + address.port + "\" is no number from 1 to 65535");
  return address;
}

int ConnectTcp(const TcpAddress& address, std::chrono::milliseconds timeout) {
  const bool v6 = address.host.find(':') != std::string::npos;
  const std::string where = "socket://" + (v6 ? "[" + address.host + "]" : address.host) + ":" + address.port;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found);
  if (status != 0) throw HostError(HrUnreachable(), where + ": cannot find the printer: " + gai_strerror(status));
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
  int error = EHOSTUNREACH;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    const int fd = ConnectOne(*a, timeout);
    if (fd >= 0) return fd;
    error = errno;
  }
  const std::string reason = error == ETIMEDOUT ? "no answer within " + std::to_string(timeout.count() / 1000) + " s"
                                                : std::strerror(error);
  throw HostError(HrUnreachable(), where + ": cannot reach the printer: " + reason);
}

}  // namespace brimloft::host
