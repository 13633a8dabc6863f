#include "app/startup.h"

#include <QApplication>
#include <QLayout>
#include <cstdlib>

#include "app/main_window.h"
#include "app/window_events.h"
#include "platform/disk.h"
#include "platform/qt/qt_runtime.h"
#include "platform/textbridge.h"
#include "web/update_check.h"

void releaseVersionTexts() {
  currentVersion = std::string();
  remoteVersion = std::string();
}

int startProgram(int argc, char** argv) {
  QApplication application(argc, argv);
  std::atexit(releaseVersionTexts);
  // The editor's font "宋体" is not on Linux desktops; a CJK font stands in for it.
  QFont::insertSubstitutions(toQString("宋体"),
                             {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
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
