#include "app/main_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "app/cipher_commands.h"
#include "app/document.h"
#include "app/file_commands.h"
#include "app/help_commands.h"
#include "app/window_events.h"
#include "base/form.h"
#include "platform/qt/qt_runtime.h"
#include "platform/textbridge.h"
#include "web/online_counter.h"
#include "web/update_check.h"

namespace {

// Calls handler unless the program is ending (after Exit no event reaches a handler).
template <typename Handler>
auto bound(Handler handler) {
  return [handler] {
    if (!programEnding()) handler();
  };
}

// A file dialog of the form: its settings and the file name it keeps between uses, from which the
// runtime builds a fresh dialog each time it is shown.
void addFileDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode) {
  auto* dialog = new QObject(parent);
  dialog->setObjectName(toQString(name));
  dialog->setProperty("acceptMode", int(mode));
  dialog->setProperty("defaultSuffix", QStringLiteral("txt"));
  dialog->setProperty("fileName", QString());
}

// The first local file among dropped URLs; empty when there is none (a dropped text or a web link goes
// into the editor as text).
QString droppedFile(const QMimeData* data) {
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) return url.toLocalFile();
  return {};
}

// The editor never holds U+0000: a text ends at its first zero byte, so a pasted or dropped one is left out.
class Editor : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;

 protected:
  void insertFromMimeData(const QMimeData* source) override {
    if (!source->hasText() || !source->text().contains(QChar(0))) return QPlainTextEdit::insertFromMimeData(source);
    QMimeData text;
    text.setText(source->text().remove(QChar(0)));
    QPlainTextEdit::insertFromMimeData(&text);
  }
};

// The editor hides its selection while it does not have the focus.
void hideInactiveSelection(QPlainTextEdit* editor) {
  QPalette palette = editor->palette();
  palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Base));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText, palette.color(QPalette::Active, QPalette::Text));
  editor->setPalette(palette);
}

}  // namespace

MainWindow::MainWindow() {
  setWindowTitle(toQString(windowCaption));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);

  // The client area under the menu bar; its size changes are the window's size-changed event.
  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->installEventFilter(this);
  setCentralWidget(client);
  auto* editor = new Editor(client);
  editor->setObjectName(toQString(editorName));
  QFont font(toQString(editorFontName));
  font.setPixelSize(14);
  font.setWeight(QFont::Normal);
  editor->setFont(font);
  editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor->setTabChangesFocus(true);
  editor->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  QPalette palette = editor->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  editor->setPalette(palette);
  hideInactiveSelection(editor);
  editor->installEventFilter(this);
  editor->viewport()->installEventFilter(this);  // drops arrive at the viewport
  editor->setGeometry(0, 0, 760, 432);
  connect(editor, &QPlainTextEdit::textChanged, this, bound(onEditorTextChanged));

  addFileDialog(this, saveDialogName, QFileDialog::AcceptSave);
  addFileDialog(this, openDialogName, QFileDialog::AcceptOpen);

  auto* versionClock = new QTimer(this);
  versionClock->setObjectName(toQString(versionClockName));
  connect(versionClock, &QTimer::timeout, this, bound(checkForUpdate));
  auto* onlineClock = new QTimer(this);
  onlineClock->setObjectName(toQString(onlineCountClockName));
  connect(onlineClock, &QTimer::timeout, this, bound(refreshOnlineCount));

  const auto addItem = [this](QMenu* menu, const char* caption, void (*handler)()) {
    QAction* action = menu->addAction(toQString(caption));
    action->setObjectName(toQString(caption));
    if (handler) connect(action, &QAction::triggered, this, bound(handler));
  };
  QMenu* file = menuBar()->addMenu(toQString("文件"));
  addItem(file, "新建", newCommand);
  addItem(file, "打开", openCommand);
  addItem(file, "另存为/保存", [] { saveCommand(); });
  addItem(file, "退出", exitCommand);
  QMenu* help = menuBar()->addMenu(toQString("帮助"));
  addItem(help, "简介", aboutCommand);
  addItem(help, "联系作者", contactAuthorCommand);
  addItem(help, onlineCountItemName, nullptr);
  QMenu* advanced = menuBar()->addMenu(toQString("高级"));
  addItem(advanced, "加密", encryptCommand);
  addItem(advanced, "解密", decryptCommand);

  // Esc anywhere in the window is a close request, like the close box.
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WindowShortcut);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void MainWindow::showAtFormPlace() {
  placeAtFormPlace();
  show();
  // A window manager adds its frame only when it maps the window, after show() has returned, so the
  // first expose measures the frame again.
  placeAtFormPlace();
  windowHandle()->installEventFilter(this);
}

void MainWindow::placeAtFormPlace() {
  const QSize frame = frameGeometry().size() - size();
  resize(windowOuterWidth - frame.width(), windowOuterHeight - frame.height());
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  move(screen.x() + (screen.width() - windowOuterWidth) / 2, screen.y() + (screen.height() - windowOuterHeight) / 2);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (programEnding() || confirmSaveOnClose()) event->accept();
  else event->ignore();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle()) {
    if (event->type() == QEvent::Expose && windowHandle()->isExposed()) {
      windowHandle()->removeEventFilter(this);
      placeAtFormPlace();
    }
  } else if (watched == centralWidget()) {
    if (event->type() == QEvent::Resize && !programEnding()) onWindowResized();
  } else if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove || event->type() == QEvent::Drop) {
    // A file dropped from a file manager opens like Open; copying is all the drop may do to it.
    auto* drop = static_cast<QDropEvent*>(event);
    const QString file = droppedFile(drop->mimeData());
    if (!file.isEmpty() && (drop->possibleActions() & Qt::CopyAction)) {
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      // The question about changed text is a modal box: it waits until the drop has ended.
      if (event->type() == QEvent::Drop)
        QTimer::singleShot(0, this, bound([path = losslessUtf8ToGbk(file.toStdString())] { openDroppedFile(path); }));
      return true;
    }
  } else if (event->type() == QEvent::KeyPress) {
    // Tab and Shift+Tab only move the focus: a tab character is never typed into the editor.
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
      focusNextPrevChild(key == Qt::Key_Tab);
      return true;
    }
  } else if (auto* editor = qobject_cast<QPlainTextEdit*>(watched); editor && event->type() == QEvent::PaletteChange) {
    const QPalette palette = editor->palette();
    if (palette.color(QPalette::Inactive, QPalette::Highlight) != palette.color(QPalette::Active, QPalette::Base))
      hideInactiveSelection(editor);
  }
  return QMainWindow::eventFilter(watched, event);
}
