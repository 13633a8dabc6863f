#include "platform/qt/qt_runtime.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

#include "base/entry.h"
#include "base/form.h"
#include "platform/textbridge.h"

namespace {

bool ending = false;

// A text from this size on takes the editor long enough to show that the window is busy.
constexpr size_t busyTextSize = size_t(1) << 20;

// The wait cursor over the program's windows while a long step holds the GUI thread.
class BusyCursor {
 public:
  explicit BusyCursor(bool busy) : busy_(busy) {
    if (busy_) QApplication::setOverrideCursor(Qt::WaitCursor);
  }
  ~BusyCursor() {
    if (busy_) QApplication::restoreOverrideCursor();
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  bool busy_;
};

// Drops typed characters other than digits and "-"; control keys and pasted text pass.
class IntegerKeyFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      const QString text = key->text();
      const bool typed = !text.isEmpty() && text.at(0).isPrint() &&
                         !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
      if (typed && !std::all_of(text.begin(), text.end(), [](QChar c) { return (c >= u'0' && c <= u'9') || c == u'-'; }))
        return true;
    } else if (event->type() == QEvent::InputMethod) {
      auto* input = static_cast<QInputMethodEvent*>(event);
      QString kept;
      for (QChar c : input->commitString())
        if ((c >= u'0' && c <= u'9') || c == u'-') kept += c;
      if (kept != input->commitString()) input->setCommitString(kept);
    }
    return QObject::eventFilter(watched, event);
  }
};

// The file dialog's list in Chinese whatever the user's locale. Qt writes sizes and dates in the
// system's locale ("104 bytes", "11 Dec 2026") and has no Chinese for the type of a folder; here they
// follow the program's locale (setUpToolkit), in which file types come from the MIME database's Chinese.
class ChineseFileList : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;

  QVariant data(const QModelIndex& index, int role) const override {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || !files || index.column() == 0) return QIdentityProxyModel::data(index, role);
    const QFileInfo info = files->fileInfo(mapToSource(index));
    switch (index.column()) {
      case 1:
        return info.isFile() ? QLocale().formattedDataSize(info.size()) : QString();
      case 2:
        if (info.isRoot()) return toQString("驱动器");
        if (info.isDir()) return toQString("文件夹");
        if (!info.isFile()) return toQString(info.isSymLink() ? "快捷方式" : "未知");
        break;
      case 3:
        return QLocale().toString(info.lastModified(), QLocale::ShortFormat);
    }
    return QIdentityProxyModel::data(index, role);
  }
};

// The detail view's size, type and date as wide as their texts, the name taking the rest: at the
// dialog's own size Qt cuts them short ("104…tes").
void fitDetailColumns(QFileDialog& box) {
  auto* view = box.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!view) return;
  QHeaderView* header = view->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column)
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

}  // namespace

void setUpToolkit() {
  // Qt's own texts (the file dialogs and their questions, the editor's context menu) in Chinese like
  // the program's, whatever the user's locale.
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
  auto* translator = new QTranslator(qApp);
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (translator->load(QStringLiteral("qtbase_zh_CN"), folder)) QCoreApplication::installTranslator(translator);
  else std::fprintf(stderr, "quorlin: Qt's Chinese texts (qtbase_zh_CN.qm) are not in %s\n", qPrintable(folder));
  // The editor's font "宋体" is not on Linux desktops; a CJK font stands in for it.
  QFont::insertSubstitutions(toQString(editorFontName),
                             {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
}

QString toQString(std::string_view gbk) {
  QString text(qsizetype(gbk.size()), Qt::Uninitialized);
  text.resize(qsizetype(gbkToEditorUnits(gbk, reinterpret_cast<char16_t*>(text.data()))));
  return text;
}

std::string fromQString(const QString& text) {
  return editorTextToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size())));
}

bool programEnding() { return ending; }

QtRuntime::QtRuntime(QMainWindow* window) : window_(window) {}

int QtRuntime::messageBox(const std::string& text, int buttons, const std::string& caption) {
  QMessageBox box(QMessageBox::NoIcon, toQString(caption.empty() ? std::string(defaultCaption) : caption),
                  toQString(text));
  box.setWindowModality(Qt::ApplicationModal);
  // Buttons in the interface's language; closing the box without a button is its Cancel (or its OK).
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
  QPushButton* yes = nullptr;
  QPushButton* no = nullptr;
  if (buttons == MB_YESNOCANCEL) {
    yes = box.addButton(toQString("是(&Y)"), QMessageBox::YesRole);
    no = box.addButton(toQString("否(&N)"), QMessageBox::NoRole);
    cancel = box.addButton(toQString("取消"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
  } else {
    ok = box.addButton(toQString("确定"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    if (buttons == MB_OKCANCEL) cancel = box.addButton(toQString("取消"), QMessageBox::RejectRole);
  }
  box.setEscapeButton(cancel ? cancel : ok);
  box.exec();
  const QAbstractButton* chosen = box.clickedButton();
  if (chosen == nullptr) return cancel ? ID_CANCEL : ID_OK;
  if (chosen == yes) return ID_YES;
  if (chosen == no) return ID_NO;
  return chosen == ok ? ID_OK : ID_CANCEL;
}

bool QtRuntime::inputBox(const std::string& prompt, const std::string& caption, const std::string& initial,
                         int32_t& value, int mode) {
  QDialog box;
  box.setObjectName(QStringLiteral("inputBox"));
  box.setWindowTitle(toQString(caption));
  box.setWindowModality(Qt::ApplicationModal);
  auto* layout = new QVBoxLayout(&box);
  auto* label = new QLabel(toQString(prompt), &box);
  auto* entry = new QLineEdit(toQString(initial), &box);
  layout->addWidget(label);
  layout->addWidget(entry);
  auto* buttons = new QDialogButtonBox(&box);
  QPushButton* ok = buttons->addButton(toQString("确认输入(&O)"), QDialogButtonBox::AcceptRole);
  buttons->addButton(toQString("取消(&C)"), QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
  if (mode == INPUT_INTEGER) entry->installEventFilter(new IntegerKeyFilter(entry));
  entry->setFocus();
  if (box.exec() != QDialog::Accepted) return false;
  value = entryToInteger(fromQString(entry->text()));
  return true;
}

bool QtRuntime::showFileDialog(const std::string& dialog) {
  QObject* form = window_->findChild<QObject*>(toQString(dialog));
  if (!form) return false;
  // A dialog of its own for each use: one kept between uses leaves its completer's popup over the
  // window after a typed name, and keeps names typed in a cancelled dialog.
  QFileDialog box(window_);
  const auto mode = QFileDialog::AcceptMode(form->property("acceptMode").toInt());
  box.setAcceptMode(mode);
  box.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  box.setDefaultSuffix(form->property("defaultSuffix").toString());
  box.setOption(QFileDialog::DontUseNativeDialog);
  box.setProxyModel(new ChineseFileList(&box));
  fitDetailColumns(box);
  const QString current = form->property("fileName").toString();
  if (!current.isEmpty()) box.selectFile(current);
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
  form->setProperty("fileName", box.selectedFiles().constFirst());
  return true;
}

std::string QtRuntime::dialogFileName(const std::string& dialog) {
  const QObject* form = window_->findChild<QObject*>(toQString(dialog));
  return form ? losslessUtf8ToGbk(form->property("fileName").toString().toStdString()) : std::string();
}

int QtRuntime::clientWidth() { return window_->centralWidget()->width(); }

int QtRuntime::clientHeight() { return window_->centralWidget()->height(); }

QPlainTextEdit* QtRuntime::editor() const { return window_->findChild<QPlainTextEdit*>(toQString(editorName)); }

void QtRuntime::setEditorSize(int width, int height) {
  editor()->resize(std::clamp(width, 0, editorSizeLimit), std::clamp(height, 0, editorSizeLimit));
}

std::string QtRuntime::editorText() {
  const BusyCursor busy(size_t(editor()->document()->characterCount()) >= busyTextSize);
  return fromQString(editor()->document()->toRawText());
}

void QtRuntime::setEditorText(std::string text) {
  const BusyCursor busy(text.size() >= busyTextSize);
  QString shown = toQString(std::string_view(text).substr(0, text.find('\0')));
  std::string().swap(text);  // the bytes go before the editor's document takes a copy of its own
  editor()->setPlainText(shown);
}

void QtRuntime::setTimerPeriod(const std::string& timer, int milliseconds) {
  auto* clock = window_->findChild<QTimer*>(toQString(timer));
  if (!clock) return;
  milliseconds = std::max(milliseconds, 0);
  const int current = clock->isActive() ? clock->interval() : 0;
  if (milliseconds == current) return;
  clock->stop();
  if (milliseconds > 0) clock->start(milliseconds);
}

void QtRuntime::setMenuCaption(const std::string& item, const std::string& caption) {
  if (auto* action = window_->findChild<QAction*>(toQString(item))) action->setText(toQString(caption));
}

void QtRuntime::openUrl(const std::string& url) {
  QDesktopServices::openUrl(QUrl(toQString(url)));
}

void QtRuntime::endProgram(int code) {
  ending = true;
  for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
  QCoreApplication::exit(code);
}

void QtRuntime::fatalError(const std::string& message) {
  QMessageBox::critical(nullptr, toQString("运行时错误"), toQString(message));
  std::_Exit(-1);
}

void QtRuntime::runInBackground(std::function<std::string()> work, std::function<void(std::string)> done) {
  joinFinishedWorkers();
  auto finished = std::make_shared<std::atomic<bool>>(false);
  std::thread thread([work = std::move(work), done = std::move(done), finished]() mutable {
    std::string result = resultOf(work);
    try {
      QMetaObject::invokeMethod(
          qApp, [done = std::move(done), result = std::move(result)] { if (!ending) done(result); },
          Qt::QueuedConnection);
    } catch (const std::bad_alloc&) {
      // No memory even to hand the result over: the window goes on without it, as after a lost request.
    }
    *finished = true;
  });
  workers_.push_back({std::move(thread), std::move(finished)});
}

void QtRuntime::joinFinishedWorkers() {
  std::erase_if(workers_, [](Worker& worker) {
    if (!*worker.finished) return false;
    worker.thread.join();
    return true;
  });
}

QtRuntime::~QtRuntime() {
  joinFinishedWorkers();
  for (Worker& worker : workers_) worker.thread.detach();
}
