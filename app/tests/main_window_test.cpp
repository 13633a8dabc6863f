// The real window under Qt (offscreen when no display is set).
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <tuple>

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

  // Each showing is a dialog of its own, gone when it returns, so nothing of it stays: not its
  // completer's popup, not a name typed and then cancelled. Only the name last confirmed is offered.
  void fileDialogsAreFreshAndOfferTheConfirmedName() {
    const QDir folder(runDirectory->path());
    const QString chosen = folder.filePath(QStringLiteral("chosen.txt"));
    QVERIFY(writeWholeFile(chosen.toStdString(), "x"));
    struct Step {
      const char* typed;  // typed into the name field; then Enter, or Cancel when not confirmed
      bool confirmed;
      const char* offered;  // in the name field when the dialog opened
    } steps[] = {
        {"typed-then-cancelled", false, ""},
        {"chosen.txt", true, ""},  // Enter while the completer's popup shows the name
        {"other", false, "chosen.txt"},
        {"", false, "chosen.txt"},
    };
    for (const Step& step : steps) {
      QPointer<QFileDialog> shown;
      bool seen = false;
      QString offered;
      bool typed = false;
      whenModalOpens([&](QWidget* box) {
        auto* dialog = static_cast<QFileDialog*>(box);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!seen) {
          seen = true;
          shown = dialog;
          offered = name->text();
          if (offered.isEmpty()) dialog->setDirectory(folder);
          return;
        }
        if (!typed) {
          const auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
          if (list->model()->rowCount(list->rootIndex()) == 0) return;  // the folder is still being read
          name->setFocus();
          name->selectAll();
          QTest::keyClicks(name, QString::fromUtf8(step.typed));
          typed = true;
        } else if (!step.confirmed) {
          dialog->reject();
        } else if (QWidget* popup = name->completer()->popup(); popup->isVisible()) {
          QTest::keyClick(popup, Qt::Key_Return);
        }
      });
      QCOMPARE(backend->showFileDialog(openDialogName), step.confirmed);
      QCOMPARE(offered, QString::fromUtf8(step.offered));
      QVERIFY(seen);
      QVERIFY2(!shown, "the dialog is gone");
      QVERIFY(window->findChildren<QFileDialog*>().isEmpty());
      for (QWidget* top : QApplication::topLevelWidgets())
        QVERIFY2(!top->isVisible(), qPrintable(top->metaObject()->className()));
      QCOMPARE(QString::fromStdString(backend->dialogFileName(openDialogName)), *step.offered || step.confirmed ? chosen : QString());
    }
  }

  // Qt's own texts are Chinese like the program's, whatever the locale: the editor's context menu, the
  // file dialogs with their list of files and the questions they ask. The detail view's columns are as
  // wide as their texts.
  void qtTextsAreChinese() {
    const auto chinese = [](QString text, const QString& name = {}) {
      text.remove(name).remove(QRegularExpression(QStringLiteral("\\(&.\\)|&|\\t.*")));  // mnemonics, shortcuts
      return !text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
    };
    const std::unique_ptr<QMenu> menu(editor()->createStandardContextMenu());
    QVERIFY(menu->actions().size() > 5);
    for (const QAction* action : menu->actions()) QVERIFY2(chinese(action->text()), qPrintable(action->text()));

    const QDir folder(runDirectory->path());
    QVERIFY(writeWholeFile(folder.filePath(QStringLiteral("104.txt")).toStdString(), std::string(104, 'x')));
    QVERIFY(folder.mkdir(QStringLiteral("folder")));
    // Confirming these names makes the dialog ask: the save dialog whether to replace the file, the open
    // dialog that there is no such file.
    for (const auto& [dialogName, typed] : {std::pair(saveDialogName, "104.txt"), std::pair(openDialogName, "missing.txt")}) {
      QStringList texts;
      QString question;
      bool columnsFit = false;
      whenModalOpens([&](QWidget* box) {
        auto* dialog = static_cast<QFileDialog*>(box);
        if (texts.isEmpty()) {
          dialog->setDirectory(folder);
          for (const QLabel* label : dialog->findChildren<QLabel*>())
            if (label->isVisible()) texts << label->text();
          for (const QAbstractButton* button : dialog->findChildren<QAbstractButton*>())
            if (button->isVisible()) texts << (button->text().isEmpty() ? button->toolTip() : button->text());
          texts << dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))->currentText();
          return;
        }
        // Once the folder has been read and laid out, no column is narrower than its texts.
        const auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        if (!view->isVisible() || view->model()->rowCount(view->rootIndex()) == 0) return;
        for (int column = 1; column < view->header()->count(); ++column)
          if (view->header()->sectionSize(column) < static_cast<const QAbstractItemView*>(view)->sizeHintForColumn(column))
            return;
        columnsFit = true;
        const QAbstractItemModel* list = view->model();
        for (int column = 0; column < view->header()->count(); ++column) {
          texts << list->headerData(column, Qt::Horizontal).toString();
          for (int row = 0; column > 0 && row < list->rowCount(view->rootIndex()); ++row)
            texts << list->index(row, column, view->rootIndex()).data().toString();
        }
        whenModalOpens([&question](QWidget* asked) {
          question = static_cast<QMessageBox*>(asked)->text();
          for (const QAbstractButton* button : asked->findChildren<QAbstractButton*>()) question += button->text();
          asked->close();
        });
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromUtf8(typed));
        QMetaObject::invokeMethod(dialog, "accept");  // asks, is answered, and the dialog stays open
        dialog->reject();
      });
      QVERIFY(!backend->showFileDialog(dialogName));
      QVERIFY(texts.size() > 10);
      for (const QString& text : texts) QVERIFY2(chinese(text), qPrintable(text));
      QVERIFY(!question.isEmpty());
      QVERIFY2(chinese(question, QString::fromUtf8(typed)), qPrintable(question));
      QVERIFY(columnsFit);
    }
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
