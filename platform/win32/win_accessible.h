// What a screen reader reads of our windows through Microsoft Active Accessibility, which UI
// Automation reads too through its proxy: the role, name, description, checked state and press of
// a control, taken from the core's Control::access when asked. Nothing here decides what is said
// or when: the core's Control::Announce does, and arrives here as a WinEvent.
#pragma once

#include "controls/control.h"
#include "platform/win32/win_api.h"

namespace xr::win32 {

// The window classes of a form's pictures and buttons, by the names ReaderLabelClass and
// ReaderButtonClass: the system's own, whose WM_GETOBJECT is answered from the control where
// the standard object would know only the window's text. A class of our own rather than a
// subclass of each window: under Wine a subclass costs each window a lookup in the server for
// every message it gets, a good part of showing a form.
bool RegisterReaderClasses(HINSTANCE instance);
inline constexpr const wchar_t* kReaderLabelClass = L"XiuranLabel";
inline constexpr const wchar_t* kReaderButtonClass = L"XiuranButton";

// WM_GETOBJECT of a form: true, with the answer, when it is ours to give; otherwise the
// window's default procedure answers.
bool AnswerReader(HWND form, WPARAM wp, LPARAM lp, LRESULT& result);

// Control::Announce: a listening reader is told the present name or checked state of a control's
// window (child CHILDID_SELF) or of a label the form draws (the form's window, the label's child
// id among the form's children).
void AnnounceToReaders(HWND hwnd, LONG child, Prop what);
// The keyboard moved to a label the form draws (the form's child id): the system tells readers
// of a window taking the focus, but knows nothing of the labels.
void AnnounceFocusToReaders(HWND form, LONG child);

}  // namespace xr::win32
