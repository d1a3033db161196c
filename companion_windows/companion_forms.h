// The two windows opened on demand: the more-apps window with its link buttons and the contact
// window. Neither is modal or owned; each exists at most once and is built anew in its design
// state every time it is opened after being closed.
#pragma once

#include <array>
#include <functional>

#include "controls/platform.h"
#include "controls/window.h"

namespace xr {

struct MoreAppsForm {
  MoreAppsForm(Platform& platform, WindowHost& host);
  MoreAppsForm(const MoreAppsForm&) = delete;
  MoreAppsForm& operator=(const MoreAppsForm&) = delete;

  Platform& platform;
  Window window{"yylb"};
  Label& heading;
  std::array<Button*, 10> links;
  Button& downloadSiteButton;
  Button& closeButton;
  Button& contactButton;

  // Set by the program: the window is gone (its close button or its close box).
  std::function<void()> onUnloaded;
  std::function<void()> openContact;
};

struct ContactForm {
  ContactForm(Platform& platform, WindowHost& host);
  ContactForm(const ContactForm&) = delete;
  ContactForm& operator=(const ContactForm&) = delete;

  Platform& platform;
  Window window{"lxzz"};
  Label& heading;
  Label& thanks;
  Label& invitation;
  // The four codes to scan, left to right, each above its label.
  Picture& weChatCode;
  Picture& qqCode;
  Picture& officialAccountCode;
  Picture& shareCode;
  Label& weChatLabel;
  Label& qqLabel;
  Label& officialAccountLabel;
  Label& shareLabel;
  Button& closeButton;

  std::function<void()> onUnloaded;
};

}  // namespace xr
