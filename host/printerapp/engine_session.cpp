#include "host/printerapp/engine_session.h"

#include <objbase.h>

#include "module/filtertypes.h"

namespace brimloft::printerapp {

namespace {

constexpr const char* kUnit = "printerapp";

std::mutex& EngineTurn() {
  static std::mutex turn;
  return turn;
}

}  // namespace

EngineSession::EngineSession() : turn_(EngineTurn()) {
  if (!apartment_.usable()) BRIMLOFT_THROW(apartment_.result());
  folder_.emplace("brimloft-printer-app");
}

}  // namespace brimloft::printerapp
