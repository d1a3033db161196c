// The clock face is the timer's only store: the time is the text of the four digit cells and
// the mode is the background colour of the countdown selector. Every handler reads it back
// from the controls when it runs and writes it there directly.
#pragma once

#include <cstdint>
#include <string_view>

#include "controls/control.h"

namespace xr {

struct MainForm;

// The leading number of a text, as a numeric parse reads it; 0 when there is none.
double LeadingNumber(std::string_view text);
// Rounds half to even and converts to 16 bits; throws std::overflow_error outside the range.
std::int16_t ToInt16(double value);
std::int32_t ToInt32(double value);

double DigitValue(const Control& cell);
std::int16_t FaceSeconds(const MainForm& form);
bool CountdownSelected(const MainForm& form);
void SetDigit(Control& cell, double value);
void SetFaceColor(MainForm& form, Color color);
void SetColonVisible(MainForm& form, bool visible);

// Handlers of the clock face's own controls and timers.
void AdjusterClick(MainForm& form, Control& adjuster);
void SelectCountUp(MainForm& form);
void SelectCountdown(MainForm& form);
void Timer2Tick(MainForm& form);
void Timer3Tick(MainForm& form);
void StartClick(MainForm& form);
void ResetClick(MainForm& form);
void SetChromeVisible(MainForm& form, bool visible);
void CentrePointer(MainForm& form);

}  // namespace xr
