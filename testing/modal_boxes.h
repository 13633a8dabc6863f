#pragma once
// Answering the modal boxes that a call under test opens, as the user would.
#include <QString>
#include <functional>

class QPushButton;
class QWidget;

// Answers the next modal box that opens while the caller's own box runs: answer runs on it, again on
// each tick while that box stays open (a file dialog may still be reading its directory), at most for
// ten seconds, so that a failing answer cannot leave the test waiting for ever.
void whenModalOpens(std::function<void(QWidget*)> answer);

// The box's button that shows exactly text, or nullptr.
QPushButton* buttonWithText(QWidget* box, const QString& text);
