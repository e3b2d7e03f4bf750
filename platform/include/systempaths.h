// Fixed folders of the operating system that code may fall back on.
#ifndef BRIMLOFT_PLATFORM_SYSTEMPATHS_H
#define BRIMLOFT_PLATFORM_SYSTEMPATHS_H

// The system's own temporary folder, with its trailing separator.
constexpr char kSystemTempFolder[] = "/tmp/";

#endif
