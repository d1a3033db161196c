// How a screen reader reaches the model through Qt's accessibility: our windows and labels get
// interfaces that read the role, name, description and checked state from the control data
// the core sets, so nothing here decides what is said or when.
#pragma once

class QWidget;

namespace xr::qt {

// Once per process, before the first window is built.
void InstallAccessibility();

// What the core's Control::Announce asks for: the reader hears the widget's present name, or
// its present checked state.
void AnnounceName(QWidget* widget);
void AnnounceChecked(QWidget* widget);

}  // namespace xr::qt
