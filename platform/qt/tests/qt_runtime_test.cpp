// Background work on both runtimes: whatever the work does, done gets a result on the GUI thread.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <new>
#include <optional>
#include <stdexcept>

#include "platform/qt_runtime.h"
#include "platform/scripted_runtime.h"

namespace {

struct Work {
  const char* name;
  std::function<std::string()> run;
  std::string result;
};

const Work works[] = {
    {"returns its result", [] { return std::string("body"); }, "body"},
    {"runs out of memory", []() -> std::string { throw std::bad_alloc(); }, ""},
    {"throws another exception", []() -> std::string { throw std::runtime_error("broken page"); }, ""},
};

TEST(RunInBackground, QtRuntimeHandsDoneTheResultOrEmpty) {
  QMainWindow window;
  QtRuntime runtime(&window);
  for (const Work& work : works) {
    SCOPED_TRACE(work.name);
    std::optional<std::string> delivered;
    runtime.runInBackground(work.run, [&delivered](std::string result) { delivered = std::move(result); });
    QElapsedTimer waited;
    waited.start();
    while (!delivered && waited.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(delivered.has_value()) << "done never ran";
    EXPECT_EQ(*delivered, work.result);
  }
}

TEST(RunInBackground, ScriptedRuntimeHandsDoneTheResultOrEmpty) {
  ScriptedRuntime runtime;
  for (const Work& work : works) {
    SCOPED_TRACE(work.name);
    std::optional<std::string> delivered;
    runtime.runInBackground(work.run, [&delivered](std::string result) { delivered = std::move(result); });
    ASSERT_TRUE(delivered.has_value());
    EXPECT_EQ(*delivered, work.result);
  }
}

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
