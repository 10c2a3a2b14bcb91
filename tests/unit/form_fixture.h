// The main window on the null platform, shown, for the form's tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/Application.h"
#include "core/VelmoraManager.h"
#include "platform/null/NullPlatform.h"
#include "ui/MainFrm.h"

namespace velmora {
namespace {

constexpr TColor kRed = 0x000000FF;
constexpr TColor kGreen = 0x0000FF00;
constexpr TColor kBlue = 0x00FF0000;
const char* const kConfig = "C:\\Users\\Public\\Documents\\Quorvane\\Velmora\\Config.ini";

// A shown main window on a 1024 x 768 null screen, errors going to an application.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.Title = kApplicationTitle;
    SetExceptionHandler([this](std::exception_ptr e) { app.HandleException(e); });
    form = std::make_unique<TMainForm>();
    app.MainWindow = &form->Window();
    form->FormCreate();
    form->Window().RunEventLoop();
  }
  void TearDown() override {
    form->Window().Destroy();
    form.reset();
    SetExceptionHandler(nullptr);
  }
  // Rests the pointer on a pixel of `color` and lets one tick pass.
  void TickOver(TColor color) {
    platform.screenPixels[{500, 500}] = color;
    platform.pointer = {500, 500};
    platform.SendTimer();
  }
  void PressAltS() { platform.SendHotKey(ManagerInstance->HotKeySave()); }
  void PressAltZ() { platform.PressHotKey(HotKey::AltZ); }
  std::vector<TColor> Slots() const {
    std::vector<TColor> slots;
    for (int i = 0; i < kColorBoxSlots; ++i) slots.push_back(form->SlotColor(i));
    return slots;
  }
  Point CenterOf(const TControl* c) const {
    return {c->Bounds.x + c->Bounds.width / 2, c->Bounds.y + c->Bounds.height / 2};
  }

  // A right click on the strip's background; the menu shown, and the user
  // picks the entry of `path` (texts from the top; empty: dismisses it).
  std::vector<MenuItem> RightClickChoosing(std::vector<std::string> path) {
    platform.menuChooser = [path](const std::vector<MenuItem>& items) {
      const std::vector<MenuItem>* level = &items;
      int id = 0;
      for (const std::string& text : path) {
        const auto it = std::find_if(level->begin(), level->end(),
                                     [&](const MenuItem& i) { return i.text == text; });
        if (it == level->end()) return 0;
        id = it->id;
        level = &it->submenu;
      }
      return id;
    };
    const size_t shown = platform.menusShown.size();
    platform.SendMouseDown({150, 25}, MouseButton::Right);
    platform.SendMouseMove({150 + platform.dragThreshold, 25 - platform.dragThreshold});
    platform.SendMouseUp({150 + platform.dragThreshold, 25 - platform.dragThreshold},
                         MouseButton::Right);
    EXPECT_EQ(platform.menusShown.size(), shown + 1);
    return platform.menusShown.empty() ? std::vector<MenuItem>{} : platform.menusShown.back();
  }
  static const MenuItem* Item(const std::vector<MenuItem>& items, const std::string& text) {
    for (const MenuItem& i : items) {
      if (i.text == text) return &i;
    }
    return nullptr;
  }
  static std::vector<std::string> Texts(const std::vector<MenuItem>& items) {
    std::vector<std::string> texts;
    for (const MenuItem& i : items) texts.push_back(i.text);
    return texts;
  }

  NullPlatform platform;
  TApplication app;
  std::unique_ptr<TMainForm> form;
};

}  // namespace
}  // namespace velmora
