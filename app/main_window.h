#pragma once
// The main window as its form describes it: a menu bar over the editor, two file dialogs and two
// timers, each control under its form name as object name, its events bound to the program's handlers.
#include <QMainWindow>

class MainWindow : public QMainWindow {
 public:
  MainWindow();

  // Shows the window centred on the primary screen at the form's outer size, frame included.
  void showAtFormPlace();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The form's outer size and centred place, with the frame as far as it is known now.
  void placeAtFormPlace();
};

// Outer size of the main window, frame and menu bar included.
inline constexpr int windowOuterWidth = 766;
inline constexpr int windowOuterHeight = 485;
