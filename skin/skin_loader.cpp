#include "skin/skin_loader.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/disk.h"
#include "platform/library.h"
#include "skin/skin_data.h"

namespace {

const char ENGINE_LIBRARY[] = "SkinH_EL.dll";

bool toldNoEngine = false;

std::string enginePath() { return runDirectory() + "/" + ENGINE_LIBRARY; }

// The engine's function, or nullptr when the engine or the function cannot be found. The program then
// goes on without a skin; the first such failure is told on standard error.
template <typename Function>
Function* engineFunction(const char* name) {
  std::string error;
  void* address = libraryFunction(ENGINE_LIBRARY, name, &error);
  if (!address && !toldNoEngine) {
    toldNoEngine = true;
    std::fprintf(stderr, "quorlin: running without a skin: %s\n", error.c_str());
  }
  return reinterpret_cast<Function*>(address);
}

}  // namespace

void ensureSkinEngine() {
  if (fileExists(enginePath())) return;
  writeWholeFile(enginePath(), std::string(skinEngineImage()));
  setFileAttributes(enginePath(), ATTRIBUTE_HIDDEN);
}

void loadBuiltinSkin(int number) {
  ensureSkinEngine();
  const std::string_view skin = builtinSkin(number);
  const std::vector<unsigned char> copy(skin.begin(), skin.end());
  using AttachRes = int(const unsigned char*, int, const char*, int, int, int);
  if (AttachRes* attach = engineFunction<AttachRes>("SkinH_AttachRes"))
    attach(copy.empty() ? nullptr : copy.data(), int(copy.size()), "", 0, 0, 0);
}

void adjustAero(int p1, int p2, int p3, int p4, int p5, int p6, int p7) {
  ensureSkinEngine();
  using AdjustAero = int(int, int, int, int, int, int, int, int, int);
  if (AdjustAero* adjust = engineFunction<AdjustAero>("SkinH_AdjustAero")) adjust(p1, p4, p3, p2, 0, 0, p5, p6, p7);
}

void enableAero() {
  ensureSkinEngine();
  using SetAero = int(int);
  if (SetAero* setAero = engineFunction<SetAero>("SkinH_SetAero")) setAero(1);
}
