// The program: the main window, opened at start, and the windows opened from it on demand.
#pragma once

#include <memory>
#include <vector>

#include "main_window/main_form.h"
#include "platform/platform.h"

namespace xr {

class MoreAppsForm;
class ContactForm;

class Program {
 public:
  explicit Program(Platform& platform);
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
  MainForm main_;
  std::unique_ptr<MoreAppsForm> moreApps_;
  std::unique_ptr<ContactForm> contact_;
  // Windows unloaded from inside their own handlers live on until the next window is opened.
  std::vector<std::unique_ptr<MoreAppsForm>> retiredMoreApps_;
  std::vector<std::unique_ptr<ContactForm>> retiredContact_;
};

}  // namespace xr
