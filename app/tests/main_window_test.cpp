// The real window under Qt (offscreen when no display is set).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

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
    auto* save = window->findChild<QFileDialog*>(toQString(saveDialogName));
    auto* open = window->findChild<QFileDialog*>(toQString(openDialogName));
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(save->defaultSuffix(), QStringLiteral("txt"));
    QCOMPARE(open->defaultSuffix(), QStringLiteral("txt"));
  }

  // The editor as the user meets it under the program's skin: 14-pixel text, long lines wrapped, the
  // vertical scroll bar always there, and a selection that shows only while the window is active.
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

    // A selected run of spaces against the blank past its end, on the same line.
    backend->setEditorText(std::string(20, ' '));
    e->setFocus();
    e->selectAll();
    const auto selectedAndBlank = [e] {
      QApplication::processEvents();
      const QImage shown = e->viewport()->grab().toImage();
      QTextCursor at(e->document());
      at.setPosition(10);
      const QRect middle = e->cursorRect(at);
      at.setPosition(20);
      const int past = e->cursorRect(at).x() + 40;
      return std::pair(shown.pixelColor(middle.x() + 2, middle.center().y()), shown.pixelColor(past, middle.center().y()));
    };
    const auto [activeSelected, activeBlank] = selectedAndBlank();
    QVERIFY2(activeSelected != activeBlank, "the selection shows in the active window");
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    const auto [inactiveSelected, inactiveBlank] = selectedAndBlank();
    QCOMPARE(inactiveSelected, inactiveBlank);
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

  // Only a window manager gives the window a frame; without one the outer size is the inner size and
  // this proves nothing, so it is skipped unless QUORLIN_WINDOW_MANAGER says that one runs
  // (main_window_under_a_window_manager).
  void startsCentredAtItsOuterSize() {
    window->showAtFormPlace();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    if (window->frameGeometry().size() == window->size() && qEnvironmentVariableIsEmpty("QUORLIN_WINDOW_MANAGER"))
      QSKIP("no window manager: the window has no frame");
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(window->frameGeometry().size(), QSize(766, 485));
    QCOMPARE(window->frameGeometry().topLeft(), QPoint((screen.width() - 766) / 2, (screen.height() - 485) / 2));
  }

  void pastedZeroIsLeftOut() {
    QApplication::clipboard()->setText(QString::fromUtf16(u"a\0b\0", 4));
    editor()->paste();
    QCOMPARE(editor()->document()->toRawText(), QStringLiteral("ab"));
    QCOMPARE(backend->editorText(), std::string("ab"));
  }
};

int main(int argc, char** argv) {
  // Listing or running the tests must not need a display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
