#include "testing/scripted_runtime.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/entry.h"
#include "base/form.h"

namespace {

template <typename T>
bool takeFirst(std::vector<T>& queue, T& answer) {
  if (queue.empty()) return false;
  answer = std::move(queue.front());
  queue.erase(queue.begin());
  return true;
}

bool hasExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

}  // namespace

ScriptedRuntime::ScriptedRuntime() : previous_(setRuntime(this)) {}

ScriptedRuntime::~ScriptedRuntime() {
  setRuntime(previous_);
  EXPECT_TRUE(messageAnswers_.empty()) << messageAnswers_.size() << " message box answer(s) left unused";
  EXPECT_TRUE(inputAnswers_.empty()) << inputAnswers_.size() << " input box answer(s) left unused";
  EXPECT_TRUE(fileAnswers_.empty()) << fileAnswers_.size() << " file dialog answer(s) left unused";
}

void ScriptedRuntime::answerMessage(int result) { messageAnswers_.push_back(result); }
void ScriptedRuntime::answerInput(std::optional<std::string> entry) { inputAnswers_.push_back(std::move(entry)); }
void ScriptedRuntime::answerFile(std::optional<std::string> path) { fileAnswers_.push_back(std::move(path)); }

int ScriptedRuntime::messageBox(const std::string& text, int buttons, const std::string& caption) {
  shown.push_back({"message", text, caption.empty() ? defaultCaption : caption, buttons, {}});
  if (buttons == MB_OK) return ID_OK;  // the user's only choice
  int answer = ID_CANCEL;
  if (!takeFirst(messageAnswers_, answer)) ADD_FAILURE() << "message box without a queued answer: " << text;
  return answer;
}

bool ScriptedRuntime::inputBox(const std::string& prompt, const std::string& caption, const std::string& initial,
                               int32_t& value, int mode) {
  shown.push_back({"input", prompt, caption, mode, initial});
  std::optional<std::string> answer;
  if (!takeFirst(inputAnswers_, answer)) {
    ADD_FAILURE() << "input box without a queued answer: " << prompt;
    return false;
  }
  if (!answer) return false;
  value = entryToInteger(*answer);
  return true;
}

bool ScriptedRuntime::showFileDialog(const std::string& dialog) {
  shown.push_back({"file", dialog, {}, 0, fileNames[dialog]});
  std::optional<std::string> answer;
  if (!takeFirst(fileAnswers_, answer)) {
    ADD_FAILURE() << "file dialog without a queued answer: " << dialog;
    return false;
  }
  if (!answer) return false;
  // The dialogs append their default extension to a name typed without one.
  fileNames[dialog] = hasExtension(*answer) ? *answer : *answer + ".txt";
  return true;
}

std::string ScriptedRuntime::dialogFileName(const std::string& dialog) { return fileNames[dialog]; }

int ScriptedRuntime::clientWidth() { return windowClientWidth; }
int ScriptedRuntime::clientHeight() { return windowClientHeight; }

void ScriptedRuntime::setEditorSize(int width, int height) {
  editorWidth = std::clamp(width, 0, editorSizeLimit);
  editorHeight = std::clamp(height, 0, editorSizeLimit);
}

std::string ScriptedRuntime::editorText() { return editor; }

void ScriptedRuntime::setEditorText(std::string text) {
  editor = text.substr(0, text.find('\0'));
  if (onTextChanged) onTextChanged();
}

void ScriptedRuntime::setTimerPeriod(const std::string& timer, int milliseconds) {
  timerPeriods[timer] = milliseconds < 0 ? 0 : milliseconds;
}

void ScriptedRuntime::setMenuCaption(const std::string& item, const std::string& caption) {
  menuCaptions[item] = caption;
}

void ScriptedRuntime::openUrl(const std::string& url) { openedUrls.push_back(url); }

void ScriptedRuntime::endProgram(int code) { endedWith = code; }

void ScriptedRuntime::runInBackground(std::function<std::string()> work, std::function<void(std::string)> done) {
  done(resultOf(work));
}

void ScriptedRuntime::fatalError(const std::string& message) {
  fatal = message;
  ADD_FAILURE() << "fatal runtime error: " << message;
}
