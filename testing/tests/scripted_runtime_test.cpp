// The scripted runtime's background work: done gets work's result at once, or the empty text when work
// throws, as the Qt runtime's does.
#include <gtest/gtest.h>

#include <new>
#include <optional>
#include <stdexcept>

#include "testing/scripted_runtime.h"

namespace {

TEST(ScriptedRuntime, RunInBackgroundHandsDoneTheResultOrEmpty) {
  const struct {
    const char* name;
    std::function<std::string()> run;
    std::string result;
  } works[] = {
      {"returns its result", [] { return std::string("body"); }, "body"},
      {"runs out of memory", []() -> std::string { throw std::bad_alloc(); }, ""},
      {"throws another exception", []() -> std::string { throw std::runtime_error("broken page"); }, ""},
  };
  ScriptedRuntime runtime;
  for (const auto& work : works) {
    SCOPED_TRACE(work.name);
    std::optional<std::string> delivered;
    runtime.runInBackground(work.run, [&delivered](std::string result) { delivered = std::move(result); });
    ASSERT_TRUE(delivered.has_value());
    EXPECT_EQ(*delivered, work.result);
  }
}

}  // namespace
