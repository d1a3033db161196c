#pragma once

// The link catalogue of the more-apps window and the contact channels of the contact window.
// Its values come from a catalogue file chosen at build time (XR_CATALOGUE_FILE, by default
// companion_windows/catalogue.default.txt, which documents the format); the build checks the
// file and embeds it, so TheCatalogue() cannot fail at run time.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xr {

inline constexpr std::size_t kLinkCount = 10;

struct LinkEntry {
  std::string caption;
  std::string target;
};

struct Catalogue {
  std::array<LinkEntry, kLinkCount> links;
  std::string softdownTarget;
  std::string accountName;
  std::string accountHandle;
  std::string accountAddress;
  std::string wechatNumber;
  std::string wechatAddress;
  std::string qqNumber;
  std::string qqAddress;
  std::string shareTarget;
};

struct CatalogueParse {
  Catalogue catalogue;
  // One message per fault, each naming its line ("line 12: ...") where there is one.
  std::vector<std::string> errors;
  bool ok() const { return errors.empty(); }
};

// Reads the text of a catalogue file. Every link caption and target and the softdown target
// must be present and non-empty; the other keys are optional and default to empty.
CatalogueParse ParseCatalogue(std::string_view text);

// The catalogue the program was built with.
const Catalogue& TheCatalogue();

// Texts of the contact window's labels. An empty value stands for a channel that is not
// configured, and the text then says "未提供".
std::string InvitationText(std::string_view accountName, std::string_view accountHandle);
std::string WeChatLabel(std::string_view wechatNumber);
std::string QQLabel(std::string_view qqNumber);

// The same texts for TheCatalogue().
std::string InvitationText();
std::string WeChatLabel();
std::string QQLabel();

// The four pictures of the contact window, in their order on the window.
enum class ContactPicture { kWeChat, kQq, kAccount, kShare };
inline constexpr std::array<ContactPicture, 4> kContactPictures = {
    ContactPicture::kWeChat, ContactPicture::kQq, ContactPicture::kAccount, ContactPicture::kShare};

// The text a contact picture's QR code carries; empty when the channel is not configured and
// the picture is a placeholder.
std::string ContactQrText(const Catalogue& catalogue, ContactPicture picture);

}  // namespace xr
