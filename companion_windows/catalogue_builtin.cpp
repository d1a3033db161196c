#include <cstdlib>

#include "companion_windows/catalogue.h"
#include "xr_catalogue_data.h"

namespace xr {

const Catalogue& TheCatalogue() {
  static const Catalogue catalogue = [] {
    CatalogueParse parsed = ParseCatalogue(catalogue_data::kText);
    // The build ran the same parser over this text and refused it on any error.
    if (!parsed.ok()) std::abort();
    return parsed.catalogue;
  }();
  return catalogue;
}

std::string InvitationText() {
  return InvitationText(TheCatalogue().accountName, TheCatalogue().accountHandle);
}

std::string WeChatLabel() { return WeChatLabel(TheCatalogue().wechatNumber); }

std::string QQLabel() { return QQLabel(TheCatalogue().qqNumber); }

}  // namespace xr
