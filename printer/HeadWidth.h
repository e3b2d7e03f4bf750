// The print head's width of each printer variant.
#ifndef BRIMLOFT_PRINTER_HEADWIDTH_H
#define BRIMLOFT_PRINTER_HEADWIDTH_H

#include <windows.h>

#include <string>

namespace brimloft {

// Head width in dots of a variant code: 832 for RX3P/RX3Q, 576 for RX2P/RX2Q, 432 otherwise.
UINT HeadWidth(const std::string& variantCode) noexcept;

}  // namespace brimloft

#endif
