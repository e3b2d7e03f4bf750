// The host's code lives in brimloft::host; tools and tests outside namespace brimloft call it host.
#ifndef BRIMLOFT_HOST_HOST_NAMESPACE_H
#define BRIMLOFT_HOST_HOST_NAMESPACE_H

namespace brimloft::host {}
namespace host = brimloft::host;

#endif
