#pragma once
// What the recording stand-in for the skin engine saw of the calls made into it.

struct SkinEngineCalls {
  int attachCalls;
  bool attachDataNull;
  int attachSize;
  const unsigned char* attachBytes;  // the recorder's own copy of what data pointed to
  bool attachTextEmpty;              // a pointer to a zero byte
  int attachFlags[3];
  int adjustCalls;
  int adjustArguments[9];
  int setAeroCalls;
  int setAeroArgument;
};

extern "C" const SkinEngineCalls* recordedSkinEngineCalls();
