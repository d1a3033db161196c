// The program: the main window, opened at start, and the windows opened from it on demand.
#pragma once

#include <memory>
#include <vector>

#include "controls/platform.h"
#include "main_window/main_form.h"

namespace xr {

struct MoreAppsForm;
struct ContactForm;

class Program {
 public:
  Program(Platform& platform, WindowHost& host);
  ~Program();

  // Creates nothing new: the main window exists from construction. Loads and shows it.
  void Start();

  MainForm& Main() { return main_; }
  MoreAppsForm* MoreApps() { return moreApps_.get(); }
  ContactForm* Contact() { return contact_.get(); }

  void OpenMoreApps();
  void OpenContact();

 private:
  Platform& platform_;
  WindowHost& host_;
  MainForm main_;
  std::unique_ptr<MoreAppsForm> moreApps_;
  std::unique_ptr<ContactForm> contact_;
  // Windows unloaded from inside their own handlers live on until the next window is opened.
  std::vector<std::unique_ptr<MoreAppsForm>> retiredMoreApps_;
  std::vector<std::unique_ptr<ContactForm>> retiredContact_;
};

}  // namespace xr
