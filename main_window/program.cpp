#include "main_window/program.h"

#include "companion_windows/companion_forms.h"

namespace xr {

Program::Program(Platform& platform, WindowHost& host)
    : platform_(platform), host_(host), main_(platform, host) {
  main_.openMoreApps = [this] { OpenMoreApps(); };
}

Program::~Program() = default;

void Program::Start() { host_.Show(main_.window); }

void Program::OpenMoreApps() {
  retiredMoreApps_.clear();
  retiredContact_.clear();
  if (!moreApps_) {
    moreApps_ = std::make_unique<MoreAppsForm>(platform_, host_);
    moreApps_->onUnloaded = [this] {
      if (moreApps_) retiredMoreApps_.push_back(std::move(moreApps_));
    };
    moreApps_->openContact = [this] { OpenContact(); };
  }
  host_.Show(moreApps_->window);
}

void Program::OpenContact() {
  retiredContact_.clear();
  if (!contact_) {
    contact_ = std::make_unique<ContactForm>(platform_, host_);
    contact_->onUnloaded = [this] {
      if (contact_) retiredContact_.push_back(std::move(contact_));
    };
  }
  host_.Show(contact_->window);
}

}  // namespace xr
