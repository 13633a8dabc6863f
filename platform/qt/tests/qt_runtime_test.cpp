// The Qt runtime on a window that holds the form's controls under their names, drawn off screen unless
// a display is set. Texts here are GBK bytes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QCompleter>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <stdexcept>
#include <utility>

#include "base/form.h"
#include "platform/qt/qt_runtime.h"
#include "testing/modal_boxes.h"
#include "testing/temporary_directory.h"

namespace {

class QtRuntimeTest : public TemporaryDirectoryTest {
 protected:
  // As the program sets the toolkit up, once.
  static void SetUpTestSuite() { setUpToolkit(); }

  QtRuntimeTest() {
    window.setCentralWidget(new QWidget);
    editor = new QPlainTextEdit(window.centralWidget());
    editor->setObjectName(toQString(editorName));
    // A file dialog's control holds its form's settings and the name confirmed last (qt_runtime.h).
    for (const char* name : {saveDialogName, openDialogName}) {
      auto* dialog = new QObject(&window);
      dialog->setObjectName(toQString(name));
      dialog->setProperty("acceptMode", int(name == saveDialogName ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen));
      dialog->setProperty("defaultSuffix", QStringLiteral("txt"));
      dialog->setProperty("fileName", QString());
    }
    clock = new QTimer(&window);
    clock->setObjectName(toQString(versionClockName));
    item = window.menuBar()->addMenu(QStringLiteral("menu"))->addAction(toQString(onlineCountItemName));
    item->setObjectName(toQString(onlineCountItemName));
  }

  QMainWindow window;
  QtRuntime runtime{&window};
  QPlainTextEdit* editor;
  QTimer* clock;
  QAction* item;
};

TEST_F(QtRuntimeTest, EditorGivesBackAnyBytes) {
  std::mt19937 random(4242);
  for (int round = 0; round < 300; ++round) {
    std::string bytes(random() % 60, '\0');
    for (char& b : bytes) b = char(1 + random() % 255);
    runtime.setEditorText(bytes);
    ASSERT_EQ(runtime.editorText(), bytes) << "round " << round;
  }
  runtime.setEditorText("a\rb\nc\r\n\r\rd");
  EXPECT_EQ(runtime.editorText(), "a\rb\nc\r\n\r\rd");
  runtime.setEditorText(std::string("A\0B", 3));
  EXPECT_EQ(runtime.editorText(), "A");
  // GB18030's U+2028, U+2029, U+FDD0 and U+FDD1, which the document would take for line breaks, and
  // U+1F40D, whose low surrogate is U+DC0D; only the CR LF breaks the paragraph.
  const std::string breaks = "a\x81\x36\xA6\x35" "b\x81\x36\xA6\x36" "c\x84\x30\xFA\x32\x84\x30\xFA\x33\x94\x39\xCA\x37\r\nd";
  runtime.setEditorText(breaks);
  EXPECT_EQ(runtime.editorText(), breaks);
  EXPECT_EQ(editor->blockCount(), 2);
}

// A text of megabytes takes the editor's whole-text path: every kind of line break, escape and
// character mixed at all offsets comes back byte for byte, and while the editor takes it up (its
// text-changed event) the wait cursor shows, gone again when the write returns.
TEST_F(QtRuntimeTest, BigTextComesBackWhileTheCursorWaits) {
  const std::string pieces[] = {"\r\n", "\r", "\n", "\n\r", "ab", "\xD6\xD0", "\x80", "\x81", "\xFF", "\xD6",
                                "\x81\x36\xA6\x35", "\x84\x30\xFA\x33", "\x94\x39\xCA\x37", "\x81\x30"};
  std::mt19937 random(99);
  std::string bytes;
  while (bytes.size() < (size_t(3) << 20)) bytes += pieces[random() % std::size(pieces)];
  bool waitCursorShown = false;
  const QMetaObject::Connection connection = QObject::connect(editor, &QPlainTextEdit::textChanged, [&waitCursorShown] {
    waitCursorShown = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
  });
  runtime.setEditorText(bytes);
  QObject::disconnect(connection);
  EXPECT_TRUE(waitCursorShown);
  EXPECT_FALSE(QApplication::overrideCursor());
  const std::string back = runtime.editorText();
  EXPECT_FALSE(QApplication::overrideCursor());
  const auto differs = std::mismatch(bytes.begin(), bytes.end(), back.begin(), back.end()).first;
  EXPECT_TRUE(back == bytes) << "first difference at byte " << differs - bytes.begin() << " of " << bytes.size()
                             << ", " << back.size() << " back";
}

TEST_F(QtRuntimeTest, TypedChineseComesBackAsGbk) {
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  editor->setFocus();
  const QString typed = QStringLiteral(u"中文€😀");
  for (const QString& c : {typed.mid(0, 1), typed.mid(1, 1), typed.mid(2, 1), typed.mid(3, 2)})
    QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, c, Qt::NoModifier);
  const std::string bytes = runtime.editorText();
  EXPECT_EQ(bytes.substr(0, 5), "\xD6\xD0\xCE\xC4\x80");
  runtime.setEditorText(bytes);
  EXPECT_EQ(editor->toPlainText(), typed);
}

TEST_F(QtRuntimeTest, ControlsAreFoundByTheirFormNames) {
  runtime.setEditorSize(-5, 40000);
  EXPECT_EQ(editor->size(), QSize(0, editorSizeLimit));

  runtime.setTimerPeriod(versionClockName, 3000);
  EXPECT_TRUE(clock->isActive());
  EXPECT_EQ(clock->interval(), 3000);
  runtime.setTimerPeriod(versionClockName, -1);
  EXPECT_FALSE(clock->isActive());

  runtime.setMenuCaption(onlineCountItemName, "在线人数：37");
  EXPECT_EQ(item->text(), toQString("在线人数：37"));
}

TEST_F(QtRuntimeTest, MessageBoxButtonsAndResults) {
  const struct {
    int buttons;
    const char* press;  // nullptr: close the box without a button
    int result;
  } cases[] = {
      {MB_OK, "确定", ID_OK},           {MB_OK, nullptr, ID_OK},
      {MB_OKCANCEL, "确定", ID_OK},     {MB_OKCANCEL, "取消", ID_CANCEL},
      {MB_OKCANCEL, nullptr, ID_CANCEL}, {MB_YESNOCANCEL, "是(&Y)", ID_YES},
      {MB_YESNOCANCEL, "否(&N)", ID_NO}, {MB_YESNOCANCEL, nullptr, ID_CANCEL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.press ? c.press : "closed");
    QString caption;
    whenModalOpens([&c, &caption](QWidget* box) {
      caption = box->windowTitle();
      QPushButton* button = c.press ? buttonWithText(box, toQString(c.press)) : nullptr;
      if (button) button->click();
      else box->close();
    });
    EXPECT_EQ(runtime.messageBox("text", c.buttons, ""), c.result);
    EXPECT_EQ(caption, toQString("信息："));
  }
}

TEST_F(QtRuntimeTest, InputBoxTakesDigitsAndMinusOnly) {
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
  EXPECT_TRUE(runtime.inputBox("prompt", "caption", "", value, INPUT_INTEGER));
  EXPECT_EQ(typed, QStringLiteral("12-3"));
  EXPECT_TRUE(buttonsAsDescribed);
  EXPECT_EQ(value, 12);

  QString pasted;
  whenModalOpens([&pasted](QWidget* box) {
    auto* entry = box->findChild<QLineEdit*>();
    QApplication::clipboard()->setText(QStringLiteral(" -45abc"));
    entry->paste();  // pasted text is not filtered
    pasted = entry->text();
    QTest::keyClick(entry, Qt::Key_Return);
  });
  EXPECT_TRUE(runtime.inputBox("prompt", "caption", "", value, INPUT_INTEGER));
  EXPECT_EQ(pasted, QStringLiteral(" -45abc"));
  EXPECT_EQ(value, -45);

  whenModalOpens([](QWidget* box) { QTest::keyClick(box->findChild<QLineEdit*>(), Qt::Key_Escape); });
  EXPECT_FALSE(runtime.inputBox("prompt", "caption", "", value, INPUT_INTEGER));
  EXPECT_EQ(value, -45);
}

// Each showing is a dialog of its own, gone when it returns, so nothing of it stays: not its
// completer's popup, not a name typed and then cancelled. Only the name last confirmed is offered.
TEST_F(QtRuntimeTest, FileDialogsAreFreshAndOfferTheConfirmedName) {
  const QDir folder(QString::fromStdString(directory));
  const QString chosen = folder.filePath(QStringLiteral("chosen.txt"));
  writeBytes(chosen.toStdString(), "x");
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
    EXPECT_EQ(runtime.showFileDialog(openDialogName), step.confirmed);
    EXPECT_EQ(offered, QString::fromUtf8(step.offered));
    EXPECT_TRUE(seen);
    EXPECT_FALSE(shown) << "the dialog is gone";
    EXPECT_TRUE(window.findChildren<QFileDialog*>().isEmpty());
    for (QWidget* top : QApplication::topLevelWidgets())
      EXPECT_FALSE(top->isVisible()) << top->metaObject()->className();
    EXPECT_EQ(QString::fromStdString(runtime.dialogFileName(openDialogName)), *step.offered || step.confirmed ? chosen : QString());
  }
}

// Qt's own texts are Chinese like the program's, whatever the locale: the editor's context menu, the
// file dialogs with their list of files and the questions they ask. The detail view's columns are as
// wide as their texts.
TEST_F(QtRuntimeTest, QtTextsAreChinese) {
  const auto chinese = [](QString text, const QString& name = {}) {
    text.remove(name).remove(QRegularExpression(QStringLiteral("\\(&.\\)|&|\\t.*")));  // mnemonics, shortcuts
    return !text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
  };
  const std::unique_ptr<QMenu> menu(editor->createStandardContextMenu());
  EXPECT_GT(menu->actions().size(), 5);
  for (const QAction* action : menu->actions()) EXPECT_TRUE(chinese(action->text())) << action->text().toStdString();

  const QDir folder(QString::fromStdString(directory));
  writeBytes(path("104.txt"), std::string(104, 'x'));
  ASSERT_TRUE(folder.mkdir(QStringLiteral("folder")));
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
    EXPECT_FALSE(runtime.showFileDialog(dialogName));
    EXPECT_GT(texts.size(), 10);
    for (const QString& text : texts) EXPECT_TRUE(chinese(text)) << text.toStdString();
    EXPECT_FALSE(question.isEmpty());
    EXPECT_TRUE(chinese(question, QString::fromUtf8(typed))) << question.toStdString();
    EXPECT_TRUE(columnsFit);
  }
}

TEST_F(QtRuntimeTest, RunInBackgroundHandsDoneTheResultOrEmpty) {
  const struct {
    const char* name;
    std::function<std::string()> run;
    std::string result;
  } works[] = {
      {"returns its result", [] { return std::string("body"); }, "body"},
      {"runs out of memory", []() -> std::string { throw std::bad_alloc(); }, ""},
      {"throws another exception", []() -> std::string { throw std::runtime_error("broken page"); }, ""},
  };
  for (const auto& work : works) {
    SCOPED_TRACE(work.name);
    std::optional<std::string> delivered;
    runtime.runInBackground(work.run, [&delivered](std::string result) { delivered = std::move(result); });
    QElapsedTimer waited;
    waited.start();
    while (!delivered && waited.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(delivered.has_value()) << "done never ran";
    EXPECT_EQ(*delivered, work.result);
  }
}

}  // namespace
