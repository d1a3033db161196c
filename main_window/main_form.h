// The main window: its design state, its fields, its load, resize and unload handlers and the
// idle watch. It owns every control and lends the clock face (timer_face/) the ones it runs by;
// the face asks back for the chrome, the idle watch, the cue and the message through FaceHost.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

#include "controls/platform.h"
#include "controls/window.h"
#include "cue/cue.h"
#include "timer_face/face.h"

namespace xr {

inline constexpr const char* kProgramTitle = "岫然计时器";
inline constexpr int kLayoutRows = 30;
inline constexpr int kLayoutColumns = 5;

// Ratios of each included control's geometry and font size to the client area; rows and
// columns numbered from 1. An empty cell reads as 0; a cell outside the table is a failure.
class LayoutTable {
 public:
  float Get(int row, int column) const;
  void Set(int row, int column, float value);

 private:
  static std::size_t Index(int row, int column);
  std::array<std::optional<float>, kLayoutRows * kLayoutColumns> cells_{};
};

struct MainForm final : private FaceHost {
  MainForm(Platform& platform, WindowHost& host);
  MainForm(const MainForm&) = delete;
  MainForm& operator=(const MainForm&) = delete;

  Platform& platform;
  WindowHost& host;
  Window window{"main"};

  // The controls, in creation order: the order of the layout's rows and of the screen reader's
  // list.
  Button& moreAppsButton;
  Button& resetButton;
  Button& startButton;
  Label& secondUnitsMinus;
  Label& secondTensMinus;
  Label& minuteUnitsMinus;
  Label& minuteTensMinus;
  Label& secondUnitsPlus;
  Label& secondTensPlus;
  Label& minuteUnitsPlus;
  Label& minuteTensPlus;
  Label& colon;
  Label& secondUnits;
  Label& secondTens;
  Label& minuteUnits;
  Label& countdownSelector;
  Label& countUpSelector;
  Label& minuteTens;

  // The colon's blink, the clock's second and the idle watch's check of the pointer.
  Timer& blinkTimer;
  Timer& tickTimer;
  Timer& idleTimer;

  ClockFace face;

  // The thirteen controls that a run hides, in the order they are always switched.
  std::array<Control*, 13> chrome;

  // Fields of the window, zero until the first start.
  std::int16_t restX = 0;
  std::int16_t restY = 0;
  std::int16_t pointerX = 0;
  std::int16_t pointerY = 0;
  std::int16_t idleLimit = 0;
  std::int32_t lastMoveTime = 0;
  std::optional<LayoutTable> layoutTable;

  // Program-wide state that lives as long as this window.
  CueVars cue;

  // A press or a touch since the idle watch last looked: activity, wherever the pointer is.
  bool pressedSinceTick = false;
  // Whether the platform was last asked to keep the display awake.
  bool screenHeld = false;

  // Opens the more-apps window; set by the program.
  std::function<void()> openMoreApps;

  // Handlers.
  void Load();
  void Resize();
  void Unload();
  void CaptureLayout();
  void IdleTick();
  void CursorOff();
  void CursorOn() override;
  bool KeyDown();
  void PointerDown();

 private:
  void SetChromeVisible(bool visible) override;
  void StartIdleWatch() override;
  void StopIdleWatch() override;
  void HoldScreen(bool held) override;
  void ReadyCue() override;
  void PlayCue() override;
  void ShowMessage(const char* text) override;
  void CentrePointer();
};

}  // namespace xr
