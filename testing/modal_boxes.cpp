#include "testing/modal_boxes.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>

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
