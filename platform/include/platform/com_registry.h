// The in-process class registry behind CoCreateInstance. Substitutes of platform components
// register here when the platform library loads; tests and hosts may register their own classes.
#ifndef BRIMLOFT_PLATFORM_COM_REGISTRY_H
#define BRIMLOFT_PLATFORM_COM_REGISTRY_H

#include <objbase.h>

namespace platform {

// Creates a new object and returns the requested interface in *ppv (null on failure).
using ClassCreator = HRESULT (*)(REFIID riid, void** ppv);

// Adds or replaces the creator of a class; a null creator removes the class.
void RegisterInprocClass(REFCLSID clsid, ClassCreator create);

// The creator registered for a class, or null; lets a test stand in for a class and put it back.
ClassCreator RegisteredInprocClass(REFCLSID clsid);

// Registers a class for the lifetime of the program, from a namespace-scope object.
struct ClassRegistration {
  ClassRegistration(REFCLSID clsid, ClassCreator create) { RegisterInprocClass(clsid, create); }
};

}  // namespace platform

#endif
