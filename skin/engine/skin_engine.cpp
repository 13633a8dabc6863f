// The skin engine. It draws the program's windows by setting a palette and a style sheet on the
// application object, so every window, menu, message box and dialog, present or created later, takes
// the skin. The engine owns the application's style sheet. Everything runs on the GUI thread.
#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QString>

#include <algorithm>

#include "skin/skin_format.h"

#define SKIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// The attached skin's colours, copied out of the caller's bytes; the caller frees them after the call.
QColor colours[SKIN_COLOUR_COUNT];
bool skinAttached = false;
bool aeroOn = false;
int aeroIntensity = 100;  // 0..255: how translucent the menu bar is and how strongly the window is tinted

QApplication* application() { return qobject_cast<QApplication*>(QCoreApplication::instance()); }

QColor mix(const QColor& from, const QColor& to, double amount) {
  const auto channel = [amount](int a, int b) { return int(a + (b - a) * amount + 0.5); };
  return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()), channel(from.blue(), to.blue()));
}

QString css(SkinColour which) { return colours[which].name(); }
QString css(const QColor& colour) { return colour.name(); }

// Without a skin the aero effect works on the application's own palette.
void takeColoursFromPalette(const QPalette& palette) {
  const QColor window = palette.color(QPalette::Window);
  colours[SKIN_WINDOW] = window;
  colours[SKIN_HIGHLIGHT] = palette.color(QPalette::Highlight);
  colours[SKIN_MENU_BAR] = window;
  colours[SKIN_GRADIENT_TOP] = window.lighter(106);
  colours[SKIN_GRADIENT_BOTTOM] = window;
}

QPalette skinPalette() {
  QPalette palette(colours[SKIN_BUTTON], colours[SKIN_WINDOW]);
  palette.setColor(QPalette::WindowText, colours[SKIN_WINDOW_TEXT]);
  palette.setColor(QPalette::Base, colours[SKIN_BASE]);
  palette.setColor(QPalette::AlternateBase, mix(colours[SKIN_BASE], colours[SKIN_WINDOW], 0.5));
  palette.setColor(QPalette::Text, colours[SKIN_TEXT]);
  palette.setColor(QPalette::ButtonText, colours[SKIN_BUTTON_TEXT]);
  palette.setColor(QPalette::Highlight, colours[SKIN_HIGHLIGHT]);
  palette.setColor(QPalette::HighlightedText, colours[SKIN_HIGHLIGHTED_TEXT]);
  palette.setColor(QPalette::ToolTipBase, colours[SKIN_BASE]);
  palette.setColor(QPalette::ToolTipText, colours[SKIN_TEXT]);
  palette.setColor(QPalette::PlaceholderText, mix(colours[SKIN_TEXT], colours[SKIN_BASE], 0.5));
  palette.setColor(QPalette::Link, colours[SKIN_HIGHLIGHT]);
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    palette.setColor(QPalette::Disabled, role, mix(palette.color(QPalette::Active, role), colours[SKIN_WINDOW], 0.55));
  return palette;
}

QString skinSheet() {
  const QColor disabledText = mix(colours[SKIN_TEXT], colours[SKIN_BASE], 0.55);
  return QStringLiteral(
             "QMainWindow, QDialog { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); }\n"
             "QMenuBar { background: %3; color: %4; border-bottom: 1px solid %5; }\n"
             "QMenuBar::item { background: transparent; padding: 4px 10px; }\n"
             "QMenuBar::item:selected, QMenuBar::item:pressed { background: %6; color: %7; }\n"
             "QMenu { background: %8; color: %9; border: 1px solid %5; padding: 2px; }\n"
             "QMenu::item { padding: 4px 24px 4px 20px; }\n"
             "QMenu::item:selected { background: %6; color: %7; }\n"
             "QMenu::item:disabled { color: %10; }\n"
             "QMenu::separator { height: 1px; background: %5; margin: 3px 6px; }\n"
             "QPlainTextEdit, QTextEdit, QLineEdit { background: %8; color: %9; border: 1px solid %5;"
             " selection-background-color: %6; selection-color: %7; }\n"
             // The sheet's colours stand for the palette's in every state: in an inactive window the
             // selection must hide itself, as the palette's inactive colours make it do without a skin.
             "QPlainTextEdit:!active, QTextEdit:!active, QLineEdit:!active {"
             " selection-background-color: transparent; selection-color: %9; }\n"
             "QPushButton { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %11, stop:1 %12);"
             " color: %13; border: 1px solid %5; border-radius: 3px; padding: 4px 14px; min-width: 56px; }\n"
             "QPushButton:hover, QPushButton:default { border-color: %6; }\n"
             "QPushButton:pressed { background: %14; }\n")
      .arg(css(SKIN_GRADIENT_TOP), css(SKIN_GRADIENT_BOTTOM), css(SKIN_MENU_BAR), css(SKIN_MENU_TEXT),
           css(SKIN_BORDER), css(SKIN_HIGHLIGHT), css(SKIN_HIGHLIGHTED_TEXT), css(SKIN_BASE), css(SKIN_TEXT))
      .arg(css(disabledText), css(colours[SKIN_BUTTON].lighter(112)), css(SKIN_BUTTON), css(SKIN_BUTTON_TEXT),
           css(colours[SKIN_BUTTON].darker(112)));
}

QString rgba(const QColor& colour, int alpha) {
  return QStringLiteral("rgba(%1, %2, %3, %4)").arg(colour.red()).arg(colour.green()).arg(colour.blue()).arg(alpha);
}

// The aero effect: the window background tinted towards the highlight colour, showing through the
// menu bar and the editors, all as strong as the intensity.
QString aeroSheet() {
  const double strength = aeroIntensity / 255.0;
  const QColor tint = mix(colours[SKIN_GRADIENT_TOP], colours[SKIN_HIGHLIGHT], 0.6 * strength);
  return QStringLiteral(
             "QMainWindow, QDialog { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %1, stop:1 %2); }\n"
             "QMenuBar { background: %3; }\n"
             "QPlainTextEdit, QTextEdit { background: %4; }\n")
      .arg(css(tint), css(SKIN_GRADIENT_BOTTOM), rgba(colours[SKIN_MENU_BAR], 255 - int(150 * strength)),
           rgba(colours[SKIN_BASE], 255 - int(90 * strength)));
}

void applyStyle(QApplication* app) {
  if (!skinAttached) takeColoursFromPalette(app->palette());
  app->setStyleSheet((skinAttached ? skinSheet() : QString()) + (aeroOn ? aeroSheet() : QString()));
}

}  // namespace

// Applies the skin in data (size bytes). The text argument, a password for protected skins, and the
// three flags are not used by this format. 1 when the skin was applied; 0, and nothing changed, when
// the bytes are no skin or there is no application yet.
SKIN_EXPORT int SkinH_AttachRes(const unsigned char* data, int size, const char*, int, int, int) {
  QApplication* app = application();
  if (!app || size <= 0 || !isSkin(data, size_t(size))) return 0;
  for (int i = 0; i < SKIN_COLOUR_COUNT; ++i) colours[i] = QColor::fromRgb(skinColour(data, SkinColour(i)));
  skinAttached = true;
  app->setPalette(skinPalette());
  applyStyle(app);
  return 1;
}

// The first value, 0 to 255, is the aero effect's intensity; the other eight are not used.
SKIN_EXPORT int SkinH_AdjustAero(int intensity, int, int, int, int, int, int, int, int) {
  aeroIntensity = std::clamp(intensity, 0, 255);
  QApplication* app = application();
  if (!app) return 0;
  if (aeroOn) applyStyle(app);
  return 1;
}

// Switches the aero effect on (non-zero) or off (0).
SKIN_EXPORT int SkinH_SetAero(int on) {
  QApplication* app = application();
  if (!app) return 0;
  aeroOn = on != 0;
  applyStyle(app);
  return 1;
}
