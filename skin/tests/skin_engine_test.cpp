// The real skin engine, written out and loaded by the loader, applying skins to live widgets.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/library.h"
#include "skin/skin_data.h"
#include "skin/skin_format.h"
#include "skin/skin_loader.h"
#include "skin/tests/run_directory_fixture.h"

namespace {

using AttachRes = int(const unsigned char*, int, const char*, int, int, int);
using AdjustAero = int(int, int, int, int, int, int, int, int, int);
using SetAero = int(int);

template <typename Function>
Function* engine(const char* name) {
  return reinterpret_cast<Function*>(libraryFunction("SkinH_EL.dll", name));
}

const unsigned char* bytesOf(std::string_view skin) { return reinterpret_cast<const unsigned char*>(skin.data()); }

QColor colourOf(int skin, SkinColour which) { return QColor::fromRgb(skinColour(bytesOf(builtinSkin(skin)), which)); }

// A main window with a menu, as the program has, drawn off screen.
struct SkinnedWindow {
  SkinnedWindow() {
    window.resize(320, 200);
    window.menuBar()->addMenu("File");
    window.show();
  }
  QImage drawn() { return window.grab().toImage(); }
  // The empty right end of the menu bar.
  QColor menuBar() {
    const QRect bar = window.menuBar()->geometry();
    return drawn().pixelColor(bar.right() - 4, bar.center().y());
  }
  // The window's background just below the menu bar.
  QColor background() { return drawn().pixelColor(window.width() / 2, window.menuBar()->geometry().bottom() + 3); }

  QMainWindow window;
};

using SkinEngineTest = RunDirectoryTest;

TEST_F(SkinEngineTest, BuiltinSkinColoursExistingAndLaterWidgets) {
  QWidget existing;
  existing.show();
  QColor previous = qApp->palette().color(QPalette::Window);
  const struct {
    QPalette::ColorRole role;
    SkinColour colour;
  } roles[] = {{QPalette::Window, SKIN_WINDOW},   {QPalette::WindowText, SKIN_WINDOW_TEXT},
               {QPalette::Base, SKIN_BASE},       {QPalette::Text, SKIN_TEXT},
               {QPalette::Button, SKIN_BUTTON},   {QPalette::ButtonText, SKIN_BUTTON_TEXT},
               {QPalette::Highlight, SKIN_HIGHLIGHT}, {QPalette::HighlightedText, SKIN_HIGHLIGHTED_TEXT}};

  for (const int number : {5, 20}) {
    SCOPED_TRACE(number);
    loadBuiltinSkin(number);
    if (SetAero* setAero = engine<SetAero>("SkinH_SetAero")) setAero(0);
    const QColor window = colourOf(number, SKIN_WINDOW);
    EXPECT_NE(window, previous);
    for (const auto& [role, colour] : roles) EXPECT_EQ(qApp->palette().color(role), colourOf(number, colour)) << role;
    EXPECT_EQ(existing.palette().color(QPalette::Window), window);
    QWidget later;
    EXPECT_EQ(later.palette().color(QPalette::Window), window);
    SkinnedWindow skinned;
    EXPECT_EQ(skinned.menuBar(), colourOf(number, SKIN_MENU_BAR));
    previous = window;
  }
}

TEST_F(SkinEngineTest, BytesThatAreNoSkinChangeNothing) {
  loadBuiltinSkin(20);
  AttachRes* attach = engine<AttachRes>("SkinH_AttachRes");
  ASSERT_NE(attach, nullptr);
  const QPalette palette = qApp->palette();
  const QString sheet = qApp->styleSheet();

  // Each case spoils skin 3, whose colours differ from the attached skin 20.
  const std::string skin(builtinSkin(3));
  const auto spoilt = [&skin](size_t offset, unsigned char value) {
    std::string bytes = skin;
    bytes[offset] = char(value);
    return bytes;
  };
  const struct {
    const char* name;
    std::string bytes;
    int size;
    bool null;
  } cases[] = {
      {"null pointer, size 0", "", 0, true},
      {"null pointer with a size", "", 100, true},
      {"size 0", skin, 0, false},
      {"negative size", skin, -5, false},
      {"header cut short", skin, int(SKIN_HEADER_LENGTH) - 1, false},
      {"no magic", spoilt(0, 'X'), int(skin.size()), false},
      {"unknown version", spoilt(4, 2), int(skin.size()), false},
      {"header longer than the bytes", spoilt(7, 0xFF), int(skin.size()), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(attach(c.null ? nullptr : bytesOf(c.bytes), c.size, "", 0, 0, 0), 0);
    EXPECT_EQ(qApp->palette(), palette);
    EXPECT_EQ(qApp->styleSheet(), sheet);
  }
}

TEST_F(SkinEngineTest, KeepsNothingOfTheCallersBytes) {
  loadBuiltinSkin(20);
  AttachRes* attach = engine<AttachRes>("SkinH_AttachRes");
  SetAero* setAero = engine<SetAero>("SkinH_SetAero");
  ASSERT_TRUE(attach && setAero);
  const std::string_view skin = builtinSkin(7);
  auto bytes = std::make_unique<std::vector<unsigned char>>(skin.begin(), skin.end());
  EXPECT_EQ(attach(bytes->data(), int(bytes->size()), "", 0, 0, 0), 1);
  std::fill(bytes->begin(), bytes->end(), 0xFF);
  bytes.reset();

  // Switching the aero effect composes the style anew from what the engine kept.
  setAero(1);
  setAero(0);
  EXPECT_EQ(qApp->palette().color(QPalette::Window), colourOf(7, SKIN_WINDOW));
  SkinnedWindow skinned;
  EXPECT_EQ(skinned.menuBar(), colourOf(7, SKIN_MENU_BAR));
}

TEST_F(SkinEngineTest, AeroTintsTheWindowAndShowsItThroughTheMenuBar) {
  loadBuiltinSkin(20);
  SetAero* setAero = engine<SetAero>("SkinH_SetAero");
  AdjustAero* adjust = engine<AdjustAero>("SkinH_AdjustAero");
  ASSERT_TRUE(setAero && adjust);
  setAero(0);
  SkinnedWindow skinned;
  const QColor plainBar = skinned.menuBar();
  const QColor plainBackground = skinned.background();
  EXPECT_EQ(plainBar, colourOf(20, SKIN_MENU_BAR));

  adjustAero(100, 0, 0, 0, 0, 0, 0);
  enableAero();
  const QColor aeroBar = skinned.menuBar();
  EXPECT_NE(aeroBar, plainBar);
  EXPECT_NE(skinned.background(), plainBackground);

  adjust(255, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_NE(skinned.menuBar(), aeroBar);

  setAero(0);
  EXPECT_EQ(skinned.menuBar(), plainBar);
  EXPECT_EQ(skinned.background(), plainBackground);
}

}  // namespace
