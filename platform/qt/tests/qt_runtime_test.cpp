// The Qt runtime on a window that holds the form's controls under their names, drawn off screen unless
// a display is set. Texts here are GBK bytes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <new>
#include <optional>
#include <random>
#include <stdexcept>

#include "base/form.h"
#include "platform/qt/qt_runtime.h"
#include "testing/modal_boxes.h"
#include "testing/temporary_directory.h"

namespace {

class QtRuntimeTest : public TemporaryDirectoryTest {
 protected:
  QtRuntimeTest() {
    window.setCentralWidget(new QWidget);
    editor = new QPlainTextEdit(window.centralWidget());
    editor->setObjectName(toQString(editorName));
    for (const char* name : {saveDialogName, openDialogName}) {
      auto* dialog = new QFileDialog(&window);
      dialog->setObjectName(toQString(name));
      dialog->setOption(QFileDialog::DontUseNativeDialog);
      dialog->setAcceptMode(name == saveDialogName ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
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

TEST_F(QtRuntimeTest, FileDialogKeepsItsNameOnCancel) {
  const QString chosen = QString::fromStdString(path("chosen.txt"));
  whenModalOpens([&chosen](QWidget* box) {
    // The user types the name and confirms.
    if (auto* name = box->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText(chosen);
    QMetaObject::invokeMethod(box, "accept");
  });
  ASSERT_TRUE(runtime.showFileDialog(saveDialogName));
  const std::string name = runtime.dialogFileName(saveDialogName);
  EXPECT_EQ(QString::fromStdString(name), chosen);

  QString offered;
  whenModalOpens([&offered](QWidget* box) {
    offered = static_cast<QFileDialog*>(box)->selectedFiles().value(0);
    static_cast<QDialog*>(box)->reject();
  });
  EXPECT_FALSE(runtime.showFileDialog(saveDialogName));
  EXPECT_EQ(offered, chosen);
  EXPECT_EQ(runtime.dialogFileName(saveDialogName), name);
  EXPECT_EQ(runtime.dialogFileName(openDialogName), "") << "each dialog keeps its own name";
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
