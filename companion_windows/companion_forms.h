// The two windows opened on demand: the more-apps window with its link buttons and the contact
// window. Neither is modal or owned; each exists at most once and is built anew in its design
// state every time it is opened after being closed.
#pragma once

#include <array>
#include <functional>

#include "controls/window.h"
#include "platform/platform.h"

namespace xr {

struct MoreAppsForm {
  explicit MoreAppsForm(Platform& platform);
  MoreAppsForm(const MoreAppsForm&) = delete;
  MoreAppsForm& operator=(const MoreAppsForm&) = delete;

  Platform& platform;
  Window window{"yylb"};
  Control& Label1;
  std::array<Control*, 10> links;
  Control& softdown;
  Control& close;
  Control& lianxi;

  // Set by the program: the window is gone (its close button or its close box).
  std::function<void()> onUnloaded;
  std::function<void()> openContact;
};

struct ContactForm {
  explicit ContactForm(Platform& platform);
  ContactForm(const ContactForm&) = delete;
  ContactForm& operator=(const ContactForm&) = delete;

  Platform& platform;
  Window window{"lxzz"};
  Control& Label2;
  Control& Label1;
  Control& Label6;
  Control& Image1;
  Control& Image2;
  Control& Image3;
  Control& Image4;
  Control& Label7;
  Control& Label8;
  Control& Label9;
  Control& Label10;
  Control& goback;

  std::function<void()> onUnloaded;
};

}  // namespace xr
