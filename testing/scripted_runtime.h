#pragma once
// A runtime for tests: no display. The test queues what the user will do (the button of each message
// box, the entry of each input box, the file chosen in each dialog or a cancel), and the runtime records
// every box, prompt and dialog shown. A box that finds no queued answer, and an answer left unused when
// the runtime is destroyed, fail the running test; a message box with only OK needs none. Files are
// real: the commands read and write them through the disk functions.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/runtime.h"

class ScriptedRuntime : public Runtime {
 public:
  struct Shown {
    std::string kind;     // "message", "input" or "file"
    std::string text;     // message text, input prompt, or dialog name
    std::string caption;  // as shown: a message box without a caption shows defaultCaption
    int buttons = 0;      // message buttons or input mode
    std::string offered;  // the file name a dialog offered
  };

  ScriptedRuntime();
  ~ScriptedRuntime() override;

  void answerMessage(int result);
  void answerInput(std::optional<std::string> entry);  // nullopt: Cancel
  void answerFile(std::optional<std::string> path);    // nullopt: Cancel

  // Event bindings the commands' window would have.
  std::function<void()> onTextChanged;

  std::vector<Shown> shown;
  std::string editor;
  int editorWidth = 0;
  int editorHeight = 0;
  int windowClientWidth = 766;
  int windowClientHeight = 460;
  std::optional<std::string> fatal;
  std::map<std::string, std::string> fileNames;
  std::map<std::string, int> timerPeriods;
  std::map<std::string, std::string> menuCaptions;
  std::vector<std::string> openedUrls;
  std::optional<int> endedWith;

  int messageBox(const std::string& text, int buttons, const std::string& caption) override;
  bool inputBox(const std::string& prompt, const std::string& caption, const std::string& initial, int32_t& value,
                int mode) override;
  bool showFileDialog(const std::string& dialog) override;
  std::string dialogFileName(const std::string& dialog) override;
  int clientWidth() override;
  int clientHeight() override;
  void setEditorSize(int width, int height) override;
  std::string editorText() override;
  void setEditorText(std::string text) override;
  void setTimerPeriod(const std::string& timer, int milliseconds) override;
  void setMenuCaption(const std::string& item, const std::string& caption) override;
  void openUrl(const std::string& url) override;
  void endProgram(int code) override;
  // Records the message and fails the test instead of ending the process.
  void fatalError(const std::string& message) override;
  void runInBackground(std::function<std::string()> work, std::function<void(std::string)> done) override;

 private:
  std::vector<int> messageAnswers_;
  std::vector<std::optional<std::string>> inputAnswers_;
  std::vector<std::optional<std::string>> fileAnswers_;
  Runtime* previous_;
};
