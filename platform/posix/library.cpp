#include "platform/library.h"

#include <dlfcn.h>

#include <map>

#include "platform/disk.h"
#include "platform/textbridge.h"

void* libraryFunction(const std::string& library, const std::string& function, std::string* error) {
  static std::map<std::string, void*> loaded;  // stays loaded until the program ends
  void*& handle = loaded[library];
  if (!handle) {
    const std::string local = runDirectory() + "/" + library;
    handle = ::dlopen(gbkToLosslessUtf8(local).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      // The run directory's copy tells more about what went wrong than the system's search does.
      const std::string localError = ::dlerror();
      handle = ::dlopen(gbkToLosslessUtf8(library).c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!handle) {
        if (error) *error = localError;
        return nullptr;
      }
    }
  }
  void* address = ::dlsym(handle, function.c_str());
  if (!address && error) *error = library + ": " + function + " not found";
  return address;
}
