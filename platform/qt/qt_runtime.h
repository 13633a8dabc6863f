#pragma once
// The runtime on Qt 6 Widgets: the real program's. It finds the main window's controls by their object
// names (the form names) and converts between the program's GBK texts and Qt's Unicode at this edge.
// A file dialog's control is a plain object holding its form's settings ("acceptMode" as a
// QFileDialog::AcceptMode, "defaultSuffix") and the file name confirmed last ("fileName"); each showing
// builds a fresh dialog from them.
#include <QString>
#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/runtime.h"

class QMainWindow;
class QPlainTextEdit;

class QtRuntime : public Runtime {
 public:
  explicit QtRuntime(QMainWindow* window);
  // Waits for the background work that has finished to end its thread; work still running (a request
  // that hangs) is left to end with the process.
  ~QtRuntime() override;

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
  void fatalError(const std::string& message) override;
  void runInBackground(std::function<std::string()> work, std::function<void(std::string)> done) override;

 private:
  struct Worker {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> finished;
  };
  void joinFinishedWorkers();
  // The main window's editor, found by its form name.
  QPlainTextEdit* editor() const;

  QMainWindow* window_;
  std::vector<Worker> workers_;
};

// Sets the toolkit up for the program once its QApplication exists: Qt's own texts in Chinese and a
// CJK font for the editor.
void setUpToolkit();

// The program's GBK texts as Qt's Unicode and back, losslessly (see platform/textbridge.h).
QString toQString(std::string_view gbk);
std::string fromQString(const QString& text);

// True once endProgram has run: the window's events no longer reach the program's handlers.
bool programEnding();
