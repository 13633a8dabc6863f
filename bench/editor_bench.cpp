// Big texts in the real window, offscreen: Open and Decrypt of a file until the editor has drawn it,
// and reading the text back as Save does. Each case runs in a fresh process, so that its peak RSS is
// its own. Baselines from the same run: reading the file (readWholeFile, warm cache) and the goals
// (64 MiB drawn within 2 s, 10 MiB within 0.3 s, peak RSS below 8 times the file). Run a Release build:
// quorlin_editor_bench [repeats] [MiB...] [lines|paragraphs|lf-lines...]
// (default: 2 repeats of 10 and 64 MiB, lines and paragraphs)
#include <QApplication>
#include <QLayout>
#include <QPlainTextEdit>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/document.h"
#include "app/file_commands.h"
#include "app/main_window.h"
#include "app/window_events.h"
#include "cipher/byte_cipher.h"
#include "app/cipher_commands.h"
#include "platform/disk.h"
#include "platform/qt/qt_runtime.h"

namespace {

constexpr size_t oneMiB = size_t(1) << 20;
constexpr int32_t password = 20240607;

const std::string sentence =
    "\xD6\xD0\xCE\xC4\xB5\xC4\xCE\xC4\xB1\xBE\xA3\xAC\xC3\xBF\xD0\xD0\xD2\xBB\xBE\xE4 text 2024 "
    "\xD6\xD0\xCE\xC4\xB5\xC4\xCE\xC4\xB1\xBE\xA1\xA3";

// size bytes of sentences, a line break after every perLine of them.
std::string sentences(size_t size, int perLine, const std::string& lineBreak) {
  std::string text;
  text.reserve(size + sentence.size() + lineBreak.size());
  for (int n = 1; text.size() < size; ++n) {
    text += sentence;
    if (n % perLine == 0) text += lineBreak;
  }
  text.resize(size);
  return text;
}

// The editor's document holds a paragraph for each CR LF; its cost grows with their number. A lone LF
// breaks the line within the paragraph, so a text with LF alone is one paragraph for the editor.
// That one takes minutes at 64 MiB, so it runs only when named.
struct Shape {
  const char* name;
  std::string (*make)(size_t);
  bool byDefault;
};
const Shape shapes[] = {
    {"lines", [](size_t size) { return sentences(size, 1, "\r\n"); }, true},        // 60-byte lines
    {"paragraphs", [](size_t size) { return sentences(size, 10, "\r\n"); }, true},  // 600-byte paragraphs
    {"lf-lines", [](size_t size) { return sentences(size, 1, "\n"); }, false},
};

// The dialogs of Decrypt answered without showing them: the file is path, the password is password.
class AnsweringRuntime : public QtRuntime {
 public:
  AnsweringRuntime(QMainWindow* window, std::string path) : QtRuntime(window), path_(std::move(path)) {}
  bool showFileDialog(const std::string&) override { return true; }
  std::string dialogFileName(const std::string&) override { return path_; }
  bool inputBox(const std::string&, const std::string&, const std::string&, int32_t& value, int) override {
    value = password;
    return true;
  }

 private:
  std::string path_;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double peakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;
}

// The goal for a text of size bytes.
double goalSeconds(size_t size) {
  return size <= 10 * oneMiB ? 0.3 * double(size) / double(10 * oneMiB) : 2.0 * double(size) / double(64 * oneMiB);
}

size_t hashOf(const std::string& text) { return std::hash<std::string>()(text); }

// One case in this process: prints one line of figures; returns false when the text did not come back
// (compared by hash: a copy of the expected text would count in the peak).
bool runCase(int argc, char** argv, const char* shape, const std::string& path, size_t expected, bool decrypt) {
  QApplication application(argc, argv);
  setUpToolkit();
  MainWindow window;
  AnsweringRuntime backend(&window, path);
  setRuntime(&backend);
  window.resize(windowOuterWidth, windowOuterHeight);
  window.layout()->activate();
  onWindowResized();
  window.show();
  QApplication::processEvents();
  auto* editor = window.findChild<QPlainTextEdit*>(QString::fromUtf8("\xE7\xBC\x96\xE8\xBE\x91\xE6\xA1\x86\x31"));

  const double idleMiB = peakMiB();
  readWholeFile(path);  // warms the page cache for the baseline and the command alike
  auto start = std::chrono::steady_clock::now();
  const size_t readSize = readWholeFile(path).size();
  const double readSeconds = secondsSince(start);

  const double cpuStart = cpuSeconds();
  start = std::chrono::steady_clock::now();
  if (decrypt) decryptCommand();
  else openFile(path);
  const double commandSeconds = secondsSince(start);
  QApplication::processEvents();
  editor->viewport()->repaint();
  const double drawnSeconds = secondsSince(start);
  const double drawnCpu = cpuSeconds() - cpuStart;
  const double drawnPeak = peakMiB();

  start = std::chrono::steady_clock::now();
  const std::string back = backend.editorText();
  const double saveSeconds = secondsSince(start);
  const bool same = hashOf(back) == expected && contentModified == 0;

  std::printf("%-10s %-7s %3zu MiB | drawn %6.3f s = %3.0f ms/MiB (command %6.3f, cpu %6.3f) = %5.1f x read, %4.2f x goal"
              " | peak %4.0f MiB = %4.2f x file (idle %3.0f) | save text %6.3f s = %5.1f x read, peak %4.0f MiB%s\n",
              shape, decrypt ? "decrypt" : "open", readSize / oneMiB, drawnSeconds,
              1000 * drawnSeconds * double(oneMiB) / double(readSize), commandSeconds, drawnCpu, drawnSeconds / readSeconds, drawnSeconds / goalSeconds(readSize), drawnPeak,
              drawnPeak * double(oneMiB) / double(readSize), idleMiB, saveSeconds, saveSeconds / readSeconds, peakMiB(),
              same ? "" : "  TEXT DIFFERS");
  std::fflush(stdout);
  setRuntime(nullptr);
  return same;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int repeats = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
  std::vector<size_t> sizes;
  std::vector<std::string> shapeNames;
  for (int i = 2; i < argc; ++i) {
    if (std::atoi(argv[i]) > 0) sizes.push_back(size_t(std::atoi(argv[i])) * oneMiB);
    else shapeNames.push_back(argv[i]);
  }
  if (sizes.empty()) sizes = {10 * oneMiB, 64 * oneMiB};

  char folder[] = "/tmp/quorlin-editor-bench-XXXXXX";
  if (!mkdtemp(folder)) return 1;
  bool allSame = true;
  for (const Shape& shape : shapes) {
    if (shapeNames.empty() ? !shape.byDefault
                           : std::find(shapeNames.begin(), shapeNames.end(), shape.name) == shapeNames.end())
      continue;
    for (const size_t size : sizes) {
      for (const bool decrypt : {false, true}) {
        const std::string path = std::string(folder) + "/" + shape.name + (decrypt ? ".enc" : ".txt");
        size_t expected = 0;
        {
          std::string bytes = shape.make(size);
          expected = hashOf(bytes);
          if (decrypt) encipherBytes(bytes, password);
          if (!writeWholeFile(path, bytes)) return 1;
        }
        for (int run = 0; run < repeats; ++run) {
          const pid_t child = fork();
          if (child == 0) std::_Exit(runCase(argc, argv, shape.name, path, expected, decrypt) ? 0 : 1);
          int status = 0;
          waitpid(child, &status, 0);
          allSame = allSame && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        }
        std::remove(path.c_str());
      }
    }
  }
  rmdir(folder);
  return allSame ? 0 : 1;
}
