// The real window under Qt (offscreen when no display is set).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QPointer>
#include <functional>
#include <memory>
#include <random>

#include "app/document.h"
#include "app/file_commands.h"
#include "app/main_window.h"
#include "app/window_events.h"
#include "platform/disk.h"
#include "platform/qt_runtime.h"
#include "platform/textbridge.h"
#include "web/online_counter.h"
#include "web/tests/test_http_server.h"
#include "web/update_check.h"

namespace {

// Answers the next modal box that opens while the caller's own box runs: answer runs on it, again on
// each tick while that box stays open (a file dialog may still be reading its directory), at most for
// ten seconds, so that a failing answer cannot leave the test waiting for ever.
void whenModalOpens(std::function<void(QWidget*)> answer) {
  struct State {
    QPointer<QWidget> box;
    bool finished = false;  // the box closed (the same dialog may open again later)
    int ticks = 0;
  };
  auto* timer = new QTimer(qApp);
  timer->setInterval(20);
  auto state = std::make_shared<State>();
  QObject::connect(timer, &QTimer::timeout, [timer, answer, state] {
    QWidget* modal = QApplication::activeModalWidget();
    const bool done = state->finished || (state->box && modal != state->box);
    if (done || ++state->ticks > 500) {
      if (!done && modal) modal->close();
      timer->stop();
      timer->deleteLater();
      return;
    }
    if (!modal) return;
    if (!state->box) {
      state->box = modal;
      if (auto* dialog = qobject_cast<QDialog*>(modal))
        QObject::connect(dialog, &QDialog::finished, [state] { state->finished = true; });
    }
    answer(modal);
  });
  timer->start();
}

QPushButton* buttonWithText(QWidget* box, const QString& text) {
  for (auto* button : box->findChildren<QPushButton*>())
    if (button->text() == text) return button;
  return nullptr;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  MainWindow* window = nullptr;
  QtRuntime* backend = nullptr;
  Runtime* previous = nullptr;
  QTemporaryDir* runDirectory = nullptr;

  QPlainTextEdit* editor() const { return window->findChild<QPlainTextEdit*>(toQString("编辑框1")); }

 private slots:
  void init() {
    window = new MainWindow;
    backend = new QtRuntime(window);
    previous = setRuntime(backend);
    contentModified = 0;
    runDirectory = new QTemporaryDir;
    setRunDirectory(runDirectory->path().toStdString());
  }

  void cleanup() {
    setRuntime(previous);
    delete backend;
    delete window;
    delete runDirectory;
  }

  void formAsDescribed() {
    QCOMPARE(window->windowTitle(), QStringLiteral("QuorlinV1.2"));
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

    for (const char* name : {"编辑框1", "人数在线", "版本时钟", "通用对话框1", "通用对话框2"})
      QVERIFY2(window->findChild<QObject*>(toQString(name)), name);
    auto* save = window->findChild<QFileDialog*>(toQString("通用对话框1"));
    auto* open = window->findChild<QFileDialog*>(toQString("通用对话框2"));
    QCOMPARE(save->acceptMode(), QFileDialog::AcceptSave);
    QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(open->fileMode(), QFileDialog::ExistingFile);
    QCOMPARE(save->defaultSuffix(), QStringLiteral("txt"));
    QCOMPARE(open->defaultSuffix(), QStringLiteral("txt"));
  }

  void editorSettings() {
    QPlainTextEdit* e = editor();
    QCOMPARE(e->font().family(), toQString("宋体"));
    QCOMPARE(e->font().pixelSize(), 14);
    QCOMPARE(e->font().weight(), QFont::Normal);
    QVERIFY(!e->font().italic() && !e->font().underline() && !e->font().strikeOut());
    QCOMPARE(e->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(e->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(e->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(!e->isReadOnly());
    QCOMPARE(e->toPlainText(), QString());
    // The selection is hidden while the editor has no focus.
    QCOMPARE(e->palette().color(QPalette::Inactive, QPalette::Highlight), e->palette().color(QPalette::Base));
  }

  void noTimerRunsBeforeTheCreatedEvent() {
    auto* online = window->findChild<QTimer*>(toQString("人数在线"));
    auto* version = window->findChild<QTimer*>(toQString("版本时钟"));
    QVERIFY(!online->isActive() && !version->isActive());
    onWindowCreated();
    QVERIFY(online->isActive() && version->isActive());
    QCOMPARE(online->interval(), 5000);
    QCOMPARE(version->interval(), 3000);
    backend->setTimerPeriod(versionClockName, 0);
    QVERIFY(!version->isActive());
  }

  void windowStaysResponsiveWhileTheCounterWaits() {
    QAction* item = window->findChild<QAction*>(toQString("在线人数"));
    {
      TestHttpServer site;
      TestReply silence;
      silence.neverAnswer = true;
      site.reply("/renshutongji.php", silence);
      updateSiteHost = "127.0.0.1:" + std::to_string(site.port());
      refreshOnlineCount();
      bool eventsRan = false;
      QTimer::singleShot(20, [&eventsRan] { eventsRan = true; });
      QTRY_VERIFY_WITH_TIMEOUT(eventsRan && site.requests().size() == 1, 5000);
      refreshOnlineCount();  // a tick while the request still waits starts no second one
      QTest::qWait(100);
      QCOMPARE(site.requests().size(), size_t(1));
      QCOMPARE(item->text(), toQString("在线人数"));
    }
    // The site has gone: the waiting request ends empty and the caption shows no count.
    QTRY_COMPARE_WITH_TIMEOUT(item->text(), toQString("在线人数："), 15000);
    updateSiteHost = "www.quorlin.com";
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

  void startsCentredAtItsOuterSize() {
    window->showAtFormPlace();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(window->frameGeometry().size(), QSize(766, 485));
    QCOMPARE(window->frameGeometry().topLeft(), QPoint((screen.width() - 766) / 2, (screen.height() - 485) / 2));
  }

  void anyBytesComeBackFromTheEditor() {
    std::mt19937 random(4242);
    for (int round = 0; round < 300; ++round) {
      std::string bytes(random() % 60, '\0');
      for (char& b : bytes) b = char(1 + random() % 255);
      backend->setEditorText(bytes);
      QCOMPARE(backend->editorText(), bytes);
    }
    backend->setEditorText("a\rb\nc\r\n\r\rd");
    QCOMPARE(backend->editorText(), std::string("a\rb\nc\r\n\r\rd"));
    backend->setEditorText(std::string("A\0B", 3));
    QCOMPARE(backend->editorText(), std::string("A"));
    // GB18030's U+2028, U+2029, U+FDD0 and U+FDD1, which the document would take for line breaks, and
    // U+1F40D, whose low surrogate is U+DC0D; only the CR LF breaks the paragraph.
    const std::string breaks = "a\x81\x36\xA6\x35" "b\x81\x36\xA6\x36" "c\x84\x30\xFA\x32\x84\x30\xFA\x33\x94\x39\xCA\x37\r\nd";
    backend->setEditorText(breaks);
    QCOMPARE(backend->editorText(), breaks);
    QCOMPARE(editor()->blockCount(), 2);
  }

  void pastedZeroIsLeftOut() {
    QApplication::clipboard()->setText(QString::fromUtf16(u"a\0b\0", 4));
    editor()->paste();
    QCOMPARE(editor()->document()->toRawText(), QStringLiteral("ab"));
    QCOMPARE(backend->editorText(), std::string("ab"));
  }

  void typedChineseComesBackAsGbk() {
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    editor()->setFocus();
    const QString typed = QStringLiteral(u"中文€😀");
    for (const QString& c : {typed.mid(0, 1), typed.mid(1, 1), typed.mid(2, 1), typed.mid(3, 2)})
      QTest::sendKeyEvent(QTest::Click, editor(), Qt::Key_unknown, c, Qt::NoModifier);
    const std::string bytes = backend->editorText();
    QCOMPARE(bytes.substr(0, 5), std::string("\xD6\xD0\xCE\xC4\x80"));
    backend->setEditorText(bytes);
    QCOMPARE(editor()->toPlainText(), typed);
  }

  void messageBoxButtonsAndResults() {
    struct Case {
      int buttons;
      const char* press;  // nullptr: close the box without a button
      int result;
    } cases[] = {
        {MB_OK, "确定", ID_OK},           {MB_OK, nullptr, ID_OK},
        {MB_OKCANCEL, "确定", ID_OK},     {MB_OKCANCEL, "取消", ID_CANCEL},
        {MB_OKCANCEL, nullptr, ID_CANCEL}, {MB_YESNOCANCEL, "是(&Y)", ID_YES},
        {MB_YESNOCANCEL, "否(&N)", ID_NO}, {MB_YESNOCANCEL, nullptr, ID_CANCEL},
    };
    for (const Case& c : cases) {
      QString caption;
      whenModalOpens([&c, &caption](QWidget* box) {
        caption = box->windowTitle();
        if (c.press) buttonWithText(box, toQString(c.press))->click();
        else box->close();
      });
      QCOMPARE(backend->messageBox("text", c.buttons, ""), c.result);
      QCOMPARE(caption, toQString("信息："));
    }
  }

  void inputBoxTakesDigitsAndMinusOnly() {
    int32_t value = 7;
    QString typed;
    bool buttonsAsDescribed = false;
    whenModalOpens([&](QWidget* box) {
      auto* entry = box->findChild<QLineEdit*>();
      QTest::keyClicks(entry, QStringLiteral("12a b-3x"));
      typed = entry->text();
      const QPushButton* ok = buttonWithText(box, toQString("确认输入(&O)"));
      buttonsAsDescribed = ok && ok->isDefault() && buttonWithText(box, toQString("取消(&C)"));
      QTest::keyClick(entry, Qt::Key_Return);
    });
    QVERIFY(backend->inputBox("prompt", "caption", "", value, INPUT_INTEGER));
    QCOMPARE(typed, QStringLiteral("12-3"));
    QVERIFY(buttonsAsDescribed);
    QCOMPARE(value, 12);

    QString pasted;
    whenModalOpens([&pasted](QWidget* box) {
      auto* entry = box->findChild<QLineEdit*>();
      QApplication::clipboard()->setText(QStringLiteral(" -45abc"));
      entry->paste();  // pasted text is not filtered
      pasted = entry->text();
      QTest::keyClick(entry, Qt::Key_Return);
    });
    QVERIFY(backend->inputBox("prompt", "caption", "", value, INPUT_INTEGER));
    QCOMPARE(pasted, QStringLiteral(" -45abc"));
    QCOMPARE(value, -45);

    whenModalOpens([](QWidget* box) { QTest::keyClick(box->findChild<QLineEdit*>(), Qt::Key_Escape); });
    QVERIFY(!backend->inputBox("prompt", "caption", "", value, INPUT_INTEGER));
    QCOMPARE(value, -45);
  }

  void fileDialogKeepsItsNameOnCancel() {
    const QString chosen = QDir(runDirectory->path()).filePath(QStringLiteral("chosen"));
    whenModalOpens([&chosen](QWidget* box) {
      // The user types the name and confirms.
      if (auto* name = box->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(chosen);
      QMetaObject::invokeMethod(box, "accept");
    });
    QVERIFY(backend->showFileDialog(saveDialogName));
    const std::string name = backend->dialogFileName(saveDialogName);
    QCOMPARE(QString::fromStdString(name), chosen + ".txt");

    QString offered;
    whenModalOpens([&offered](QWidget* box) {
      offered = static_cast<QFileDialog*>(box)->selectedFiles().value(0);
      static_cast<QDialog*>(box)->reject();
    });
    QVERIFY(!backend->showFileDialog(saveDialogName));
    QCOMPARE(offered, chosen + ".txt");
    QCOMPARE(backend->dialogFileName(saveDialogName), name);
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
