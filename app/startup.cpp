#include "app/startup.h"

#include <QApplication>
#include <QLayout>
#include <cstdlib>

#include "app/main_window.h"
#include "app/window_events.h"
#include "platform/disk.h"
#include "platform/qt/qt_runtime.h"
#include "platform/runtime.h"
#include "platform/textbridge.h"
#include "web/update_check.h"

void releaseVersionTexts() {
  currentVersion = std::string();
  remoteVersion = std::string();
}

int startProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  std::atexit(releaseVersionTexts);
  // The installed desktop entry, quorlin.desktop, is this program's: its name and icon go with the window.
  QGuiApplication::setDesktopFileName(QStringLiteral("quorlin"));
  setUpToolkit();
  setRunDirectory(losslessUtf8ToGbk(QCoreApplication::applicationDirPath().toStdString()));

  MainWindow window;
  QtRuntime backend(&window);
  setRuntime(&backend);
  window.resize(windowOuterWidth, windowOuterHeight);
  window.layout()->activate();
  onWindowCreated();
  onWindowResized();

  window.showAtFormPlace();
  return QApplication::exec();
}
