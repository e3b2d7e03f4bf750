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
  apartment_ = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(apartment_) && apartment_ != RPC_E_CHANGED_MODE) BRIMLOFT_THROW(apartment_);
  try {
    folder_.emplace("brimloft-printer-app");
  } catch (...) {
    if (SUCCEEDED(apartment_)) CoUninitialize();
    throw;
  }
}

EngineSession::~EngineSession() {
  folder_.reset();
  if (SUCCEEDED(apartment_)) CoUninitialize();
}

}  // namespace brimloft::printerapp
