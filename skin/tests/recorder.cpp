// A stand-in for the skin engine that records the arguments of each call for the test to read.
#include "skin/tests/recorder.h"

#include <vector>

namespace {
SkinEngineCalls calls;
std::vector<unsigned char> attachedBytes;
}  // namespace

extern "C" const SkinEngineCalls* recordedSkinEngineCalls() { return &calls; }

extern "C" int SkinH_AttachRes(const unsigned char* data, int size, const char* text, int a, int b, int c) {
  ++calls.attachCalls;
  calls.attachDataNull = data == nullptr;
  calls.attachSize = size;
  attachedBytes.assign(data, data && size > 0 ? data + size : data);
  calls.attachBytes = attachedBytes.data();
  calls.attachTextEmpty = text && *text == 0;
  calls.attachFlags[0] = a, calls.attachFlags[1] = b, calls.attachFlags[2] = c;
  return 1;
}

extern "C" int SkinH_AdjustAero(int a, int b, int c, int d, int e, int f, int g, int h, int i) {
  ++calls.adjustCalls;
  const int arguments[9] = {a, b, c, d, e, f, g, h, i};
  for (int k = 0; k < 9; ++k) calls.adjustArguments[k] = arguments[k];
  return 1;
}

extern "C" int SkinH_SetAero(int on) {
  ++calls.setAeroCalls;
  calls.setAeroArgument = on;
  return 1;
}
