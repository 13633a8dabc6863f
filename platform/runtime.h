#pragma once
// The GUI runtime under the program: windows, controls, dialogs, timers and the shell. Controls are
// named by their form names (base/form.h), which are also their Qt object names. Every text crossing
// this interface is GBK (code page 936) bytes; the Qt backend converts to and from Unicode at its edge
// and nowhere else.
#include <cstdint>
#include <functional>
#include <string>

// Message box buttons and results.
inline constexpr int MB_OK = 0;
inline constexpr int MB_OKCANCEL = 1;
inline constexpr int MB_YESNOCANCEL = 3;
inline constexpr int ID_OK = 0;
inline constexpr int ID_CANCEL = 1;
inline constexpr int ID_YES = 5;
inline constexpr int ID_NO = 6;

// Input box mode that accepts only typed digits and "-".
inline constexpr int INPUT_INTEGER = 2;

// Caption of a message box that names none.
inline constexpr char defaultCaption[] = "\xD0\xC5\xCF\xA2\xA3\xBA";  // "信息："

class Runtime {
 public:
  virtual ~Runtime() = default;

  // Modal; returns ID_OK, ID_CANCEL, ID_YES or ID_NO. Closing the box without a button is its Cancel
  // (OK for a box with only OK). An empty caption shows defaultCaption.
  virtual int messageBox(const std::string& text, int buttons, const std::string& caption) = 0;
  // Modal; on OK stores the entry converted by entryToInteger (base/entry.h) in value and returns true;
  // on Cancel leaves value alone and returns false.
  virtual bool inputBox(const std::string& prompt, const std::string& caption, const std::string& initial,
                        int32_t& value, int mode) = 0;
  // Shows the file dialog named dialog, offering its file name; true when the user confirmed a file,
  // whose full path is then the dialog's file name. On Cancel the file name keeps its value.
  virtual bool showFileDialog(const std::string& dialog) = 0;
  virtual std::string dialogFileName(const std::string& dialog) = 0;

  // The main window's client area under the menu bar, in pixels.
  virtual int clientWidth() = 0;
  virtual int clientHeight() = 0;
  // Sizes the editor; a width or height below 0 becomes 0, above editorSizeLimit (base/form.h) that
  // limit.
  virtual void setEditorSize(int width, int height) = 0;

  virtual std::string editorText() = 0;
  // Raises the editor's text-changed event before it returns. Takes the text by value, so that a caller
  // can move a big one in and it is not held twice while the editor takes it up.
  virtual void setEditorText(std::string text) = 0;

  // Period in ms: 0 or less stops the timer, the current value changes nothing, another value starts it
  // anew with that period.
  virtual void setTimerPeriod(const std::string& timer, int milliseconds) = 0;
  virtual void setMenuCaption(const std::string& item, const std::string& caption) = 0;

  // Hands url to the desktop's handler for it and returns at once.
  virtual void openUrl(const std::string& url) = 0;
  // Ends the program at once: no further event reaches a handler, the exit routine runs.
  virtual void endProgram(int code) = 0;
  // Shows the fault and ends the process with exit code -1 at once, without the exit routine.
  virtual void fatalError(const std::string& message) = 0;

  // Runs work off the GUI thread and then done(result) on the GUI thread. The window stays responsive
  // while work runs. Work that throws (running out of memory included) gives done the empty result.
  virtual void runInBackground(std::function<std::string()> work, std::function<void(std::string)> done) = 0;
};

// The runtime the program runs on; set once at start-up (a test sets its scripted one). setRuntime
// returns the one it replaces.
Runtime& runtime();
Runtime* setRuntime(Runtime* backend);

// What a runtime's runInBackground hands to done: the result of work, or the empty text when work
// throws, so that background work never takes the program down.
std::string resultOf(const std::function<std::string()>& work);
