// The real window under Qt (offscreen when no display is set).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <random>
#include <tuple>

#include "app/document.h"
#include "app/main_window.h"
#include "app/window_events.h"
#include "base/form.h"
#include "platform/disk.h"
#include "platform/qt/qt_runtime.h"
#include "testing/modal_boxes.h"
#include "testing/test_http_server.h"
#include "web/online_counter.h"
#include "web/update_check.h"

class MainWindowTest : public QObject {
  Q_OBJECT

  MainWindow* window = nullptr;
  QtRuntime* backend = nullptr;
  Runtime* previous = nullptr;
  QTemporaryDir* runDirectory = nullptr;

  QPlainTextEdit* editor() const { return window->findChild<QPlainTextEdit*>(toQString(editorName)); }

 private slots:
  void init() {
    window = new MainWindow;
    backend = new QtRuntime(window);
    previous = setRuntime(backend);
    contentModified = 0;
    runDirectory = new QTemporaryDir;
    setRunDirectory(runDirectory->path().toStdString());
    // No request leaves the machine: the timers that onWindowCreated arms ask a port nobody serves.
    updateSiteHost = "127.0.0.1:1";
  }

  void cleanup() {
    updateSiteHost = "www.quorlin.com";
    setRuntime(previous);
    delete backend;
    delete window;
    delete runDirectory;
  }

  void formAsDescribed() {
    QCOMPARE(window->windowTitle(), toQString(windowCaption));
    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);

    QStringList menus;
    for (QAction* menu : window->menuBar()->actions()) {
      QStringList items;
      for (QAction* item : menu->menu()->actions()) {
        items << item->text();
        QCOMPARE(item->objectName(), item->text());
      }
      menus << menu->text() + ": " + items.join(u',');
    }
    QCOMPARE(menus, QStringList({toQString("文件: 新建,打开,另存为/保存,退出"),
                                 toQString("帮助: 简介,联系作者,在线人数"),
                                 toQString("高级: 加密,解密")}));

    for (const char* name : {editorName, onlineCountClockName, versionClockName, saveDialogName, openDialogName})
      QVERIFY2(window->findChild<QObject*>(toQString(name)), name);
    // Each file dialog is built when it is shown, with the form's settings.
    for (const auto& [name, mode, fileMode] : {std::tuple(saveDialogName, QFileDialog::AcceptSave, QFileDialog::AnyFile),
                                               std::tuple(openDialogName, QFileDialog::AcceptOpen, QFileDialog::ExistingFile)}) {
      bool checked = false;
      whenModalOpens([&](QWidget* box) {
        auto* dialog = static_cast<QFileDialog*>(box);
        checked = dialog->acceptMode() == mode && dialog->fileMode() == fileMode &&
                  dialog->defaultSuffix() == QStringLiteral("txt");
        dialog->reject();
      });
      QVERIFY(!backend->showFileDialog(name));
      QVERIFY2(checked, name);
    }
  }

  // The editor as the user meets it under the program's skin: 14-pixel text, long lines wrapped and the
  // vertical scroll bar always there (skinnedSelectionHidesWhileInactive looks at its selection).
  void editorAsTheUserSeesIt() {
    onWindowCreated();  // the skin and its aero effect, as at start-up
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QPlainTextEdit* e = editor();
    QCOMPARE(QFontInfo(e->font()).pixelSize(), 14);
    QVERIFY(e->verticalScrollBar()->isVisible());
    backend->setEditorText(std::string(500, 'x'));
    QApplication::processEvents();
    QCOMPARE(e->blockCount(), 1);
    QVERIFY(e->document()->firstBlock().layout()->lineCount() > 1);
    QVERIFY(!e->horizontalScrollBar()->isVisible());

  }

  void noTimerRunsBeforeTheCreatedEvent() {
    auto* online = window->findChild<QTimer*>(toQString(onlineCountClockName));
    auto* version = window->findChild<QTimer*>(toQString(versionClockName));
    QVERIFY(!online->isActive() && !version->isActive());
    onWindowCreated();
    QVERIFY(online->isActive() && version->isActive());
    QCOMPARE(online->interval(), 5000);
    QCOMPARE(version->interval(), 3000);
    backend->setTimerPeriod(versionClockName, 0);
    QVERIFY(!version->isActive());
  }

  void windowStaysResponsiveWhileTheCounterWaits() {
    QAction* item = window->findChild<QAction*>(toQString(onlineCountItemName));
    {
      TestHttpServer site;
      TestReply silence;
      silence.neverAnswer = true;
      site.reply("/renshutongji.php", silence);
      updateSiteHost = "127.0.0.1:" + std::to_string(site.port());  // cleanup() puts it back
      refreshOnlineCount();
      bool eventsRan = false;
      QTimer::singleShot(20, [&eventsRan] { eventsRan = true; });
      QTRY_VERIFY_WITH_TIMEOUT(eventsRan && site.requests().size() == 1, 5000);
      refreshOnlineCount();  // a tick while the request still waits starts no second one
      QTest::qWait(100);
      QCOMPARE(site.requests().size(), size_t(1));
      QCOMPARE(item->text(), toQString(onlineCountItemName));
    }
    // The site has gone: the waiting request ends empty and the caption shows no count.
    QTRY_COMPARE_WITH_TIMEOUT(item->text(), toQString("在线人数："), 15000);
  }

  void typingTabAndEnter() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral("ab"));
    QCOMPARE(contentModified, 1);
    QTest::keyClick(editor(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    editor()->setFocus();
    QTest::keyClick(editor(), Qt::Key_Return);
    QTest::keyClicks(editor(), QStringLiteral("c"));
    QCOMPARE(QString::fromStdString(backend->editorText()), QStringLiteral("ab\r\nc"));
    editor()->selectAll();
    QTest::keyClick(editor(), Qt::Key_Delete);
    QCOMPARE(contentModified, 1);  // deleting everything again leaves it changed
  }

  void escapeIsACloseRequestThatAsksFirst() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral("x"));
    // Esc on the question is its Cancel: the window stays, with the text still changed.
    QString asked;
    whenModalOpens([&asked](QWidget* box) {
      asked = static_cast<QMessageBox*>(box)->text();
      QTest::keyClick(box, Qt::Key_Escape);
    });
    QTest::keyClick(editor(), Qt::Key_Escape);
    QCOMPARE(asked, toQString("文本内容已改变 是否需要保存？"));
    QVERIFY(window->isVisible());
    QCOMPARE(QString::fromStdString(backend->editorText()), QStringLiteral("x"));
    QCOMPARE(contentModified, 1);

    // Offscreen, the window is not given back the focus the box took; its Esc shortcut needs it.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    whenModalOpens([](QWidget* box) {
      if (QPushButton* no = buttonWithText(box, toQString("否(&N)"))) no->click();  // do not save
      else box->close();
    });
    QTest::keyClick(editor(), Qt::Key_Escape);
    QVERIFY(!window->isVisible());
  }

  void editorFillsTheClientAreaAtEverySize() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    for (const QSize size : {QSize(766, 485), QSize(400, 300), QSize(1000, 700)}) {
      window->resize(size);
      QApplication::processEvents();
      QCOMPARE(editor()->geometry(), window->centralWidget()->rect());
      QCOMPARE(editor()->height(), window->height() - window->menuBar()->height());
    }
  }

  // Also run under Xvfb with a window manager, whose frame comes only after the window is mapped.
  void startsCentredAtItsOuterSize() {
    window->showAtFormPlace();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QTRY_COMPARE(window->frameGeometry().size(), QSize(766, 485));
    QTRY_COMPARE(window->frameGeometry().topLeft(), QPoint((screen.width() - 766) / 2, (screen.height() - 485) / 2));
    QTest::qWait(300);  // and it stays so
    QCOMPARE(window->frameGeometry(), QRect((screen.width() - 766) / 2, (screen.height() - 485) / 2, 766, 485));
  }

  // A text of megabytes takes the editor's whole-text path: every kind of line break, escape and
  // character mixed at all offsets comes back byte for byte, and while the editor takes it up (its
  // text-changed event) the wait cursor shows, gone again when the write returns.
  void bigTextComesBackWhileTheCursorWaits() {
    const std::string pieces[] = {"\r\n", "\r", "\n", "\n\r", "ab", "\xD6\xD0", "\x80", "\x81", "\xFF", "\xD6",
                                  "\x81\x36\xA6\x35", "\x84\x30\xFA\x33", "\x94\x39\xCA\x37", "\x81\x30"};
    std::mt19937 random(99);
    std::string bytes;
    while (bytes.size() < (size_t(3) << 20)) bytes += pieces[random() % std::size(pieces)];
    bool waitCursorShown = false;
    const auto connection = connect(editor(), &QPlainTextEdit::textChanged, [&waitCursorShown] {
      waitCursorShown = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    backend->setEditorText(bytes);
    disconnect(connection);
    QVERIFY(waitCursorShown);
    QVERIFY(!QApplication::overrideCursor());
    const std::string back = backend->editorText();
    QVERIFY(!QApplication::overrideCursor());
    const auto differs = std::mismatch(bytes.begin(), bytes.end(), back.begin(), back.end()).first;
    QVERIFY2(back == bytes, qPrintable(QStringLiteral("first difference at byte %1 of %2, %3 back")
                                           .arg(differs - bytes.begin()).arg(bytes.size()).arg(back.size())));
  }

  void pastedZeroIsLeftOut() {
    QApplication::clipboard()->setText(QString::fromUtf16(u"a\0b\0", 4));
    editor()->paste();
    QCOMPARE(editor()->document()->toRawText(), QStringLiteral("ab"));
    QCOMPARE(backend->editorText(), std::string("ab"));
  }

  // A file dropped from a file manager opens like Open, after the question about changed text; the
  // first local file counts. A dropped text still goes into the editor.
  void droppedFileOpensAfterTheQuestion() {
    const QString file = QDir(runDirectory->path()).filePath(QStringLiteral("dropped.txt"));
    QVERIFY(writeWholeFile(file.toStdString(), "\xD6\xD0\xCE\xC4"));  // "中文"
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral("x"));

    QMimeData files;
    files.setUrls({QUrl(QStringLiteral("https://example.com/a.txt")), QUrl::fromLocalFile(file),
                   QUrl::fromLocalFile(QStringLiteral("/nonexistent/other.txt"))});
    files.setText(QUrl::fromLocalFile(file).toString());
    // A whole drag, delivered as the window system delivers it: to the window, which passes it to the
    // widget under the pointer. True when the drop was taken as a copy.
    const auto drop = [this](const QMimeData& data) {
      const QPoint at = editor()->viewport()->mapTo(window, editor()->viewport()->rect().center());
      const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
      QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window->windowHandle(), &enter);
      QDropEvent drop(at, actions, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(window->windowHandle(), &drop);
      return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    };

    for (const int answer : {ID_CANCEL, ID_NO}) {
      QString asked;
      whenModalOpens([&asked, answer](QWidget* box) {
        asked = static_cast<QMessageBox*>(box)->text();
        if (QPushButton* no = buttonWithText(box, toQString("否(&N)")); no && answer == ID_NO) no->click();
        else box->close();
      });
      QVERIFY(drop(files));
      QTRY_COMPARE(asked, toQString("文本内容已改变 是否需要保存？"));
      QTRY_COMPARE(editor()->toPlainText(), answer == ID_NO ? QStringLiteral(u"中文") : QStringLiteral("x"));
      QCOMPARE(contentModified, answer == ID_NO ? 0 : 1);
    }

    QMimeData text;
    text.setText(QStringLiteral("dropped text"));
    drop(text);
    QCOMPARE(editor()->toPlainText(), QStringLiteral(u"中文dropped text"));
  }

  // With the skin on, the selection still hides while the window is inactive.
  void skinnedSelectionHidesWhileInactive() {
    onWindowCreated();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    editor()->setFocus();
    QTest::keyClicks(editor(), QStringLiteral("selected text"));
    editor()->selectAll();
    const QColor highlight = editor()->palette().color(QPalette::Active, QPalette::Highlight);
    QCOMPARE(highlight, qApp->palette().color(QPalette::Active, QPalette::Highlight));  // the skin's
    const auto highlighted = [this, &highlight] {
      const QImage drawn = editor()->viewport()->grab().toImage();
      for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
          if (drawn.pixelColor(x, y).rgb() == highlight.rgb()) return true;
      return false;
    };
    QVERIFY(highlighted());

    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QVERIFY(!window->isActiveWindow());
    QVERIFY(!highlighted());
  }
};

int main(int argc, char** argv) {
  // Listing or running the tests must not need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  setUpToolkit();
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
