#include "companion_windows/catalogue.h"

#include <cstdint>
#include <set>

// Nothing here may touch TheCatalogue(): the build's catalogue checker and the artwork
// generator compile this file on its own, before any catalogue is embedded.

namespace xr {
namespace {

constexpr std::string_view kBlank = " \t";

std::string_view Trim(std::string_view s) {
  const std::size_t first = s.find_first_not_of(kBlank);
  if (first == std::string_view::npos) return {};
  const std::size_t last = s.find_last_not_of(kBlank);
  return s.substr(first, last - first + 1);
}

// Well-formed UTF-8 without overlong forms or surrogates, as the labels and the shell need.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto lead = static_cast<std::uint8_t>(s[i]);
    std::size_t extra = 0;
    std::uint32_t cp = 0;
    std::uint32_t min = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1Fu, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0Fu, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07u, min = 0x10000;
    } else {
      return false;
    }
    if (s.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto cont = static_cast<std::uint8_t>(s[i + k]);
      if ((cont & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (cont & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

bool HasControlCharacter(std::string_view s) {
  for (char c : s) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return false;
}

struct Field {
  std::string name;
  std::string* value;
  bool required;
};

std::vector<Field> FieldsOf(Catalogue& c) {
  std::vector<Field> fields;
  for (std::size_t i = 0; i < kLinkCount; ++i) {
    const std::string prefix = "link" + std::to_string(i + 1);
    fields.push_back({prefix + ".caption", &c.links[i].caption, true});
    fields.push_back({prefix + ".target", &c.links[i].target, true});
  }
  fields.push_back({"softdown.target", &c.softdownTarget, true});
  fields.push_back({"account.name", &c.accountName, false});
  fields.push_back({"account.handle", &c.accountHandle, false});
  fields.push_back({"account.address", &c.accountAddress, false});
  fields.push_back({"wechat.number", &c.wechatNumber, false});
  fields.push_back({"wechat.address", &c.wechatAddress, false});
  fields.push_back({"qq.number", &c.qqNumber, false});
  fields.push_back({"qq.address", &c.qqAddress, false});
  fields.push_back({"share.target", &c.shareTarget, false});
  return fields;
}

std::string Either(std::string_view preferred, std::string_view fallback) {
  return std::string(preferred.empty() ? fallback : preferred);
}

constexpr std::string_view kNotProvided = "未提供";

}  // namespace

CatalogueParse ParseCatalogue(std::string_view text) {
  CatalogueParse result;
  std::vector<Field> fields = FieldsOf(result.catalogue);
  std::set<std::string> seen;

  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());

  std::size_t lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    line = Trim(line);
    if (line.empty() || line.front() == '#') continue;
    const std::string where = "line " + std::to_string(lineNumber) + ": ";

    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      result.errors.push_back(where + "expected `key = value`");
      continue;
    }
    const std::string key(Trim(line.substr(0, eq)));
    const std::string_view value = Trim(line.substr(eq + 1));

    Field* field = nullptr;
    for (Field& f : fields) {
      if (f.name == key) field = &f;
    }
    if (field == nullptr) {
      result.errors.push_back(where + "unknown key `" + key + "`");
      continue;
    }
    if (!seen.insert(key).second) {
      result.errors.push_back(where + "`" + key + "` is given twice");
      continue;
    }
    if (!IsValidUtf8(value)) {
      result.errors.push_back(where + "the value of `" + key + "` is not valid UTF-8");
      continue;
    }
    if (HasControlCharacter(value)) {
      result.errors.push_back(where + "the value of `" + key + "` has a control character");
      continue;
    }
    *field->value = std::string(value);
  }

  for (const Field& f : fields) {
    if (f.required && f.value->empty()) {
      result.errors.push_back("`" + f.name + "` is " +
                              (seen.count(f.name) != 0 ? "empty" : "missing") +
                              " but every link and the download site need a value");
    }
  }
  return result;
}

std::string InvitationText(std::string_view accountName, std::string_view accountHandle) {
  std::string text = "    欢迎关注微信公众号，获取更多的信息：";
  if (accountName.empty() && accountHandle.empty()) {
    text += kNotProvided;
  } else if (accountHandle.empty()) {
    text += accountName;
  } else if (accountName.empty()) {
    text += accountHandle;
  } else {
    text.append(accountName).append("（").append(accountHandle).append("）");
  }
  return text;
}

std::string WeChatLabel(std::string_view wechatNumber) {
  return "微信：" + std::string(wechatNumber.empty() ? kNotProvided : wechatNumber);
}

std::string QQLabel(std::string_view qqNumber) {
  return "QQ：" + std::string(qqNumber.empty() ? kNotProvided : qqNumber);
}

std::string ContactQrText(const Catalogue& catalogue, ContactPicture picture) {
  switch (picture) {
    case ContactPicture::kWeChat:
      return Either(catalogue.wechatAddress, catalogue.wechatNumber);
    case ContactPicture::kQq:
      return Either(catalogue.qqAddress, catalogue.qqNumber);
    case ContactPicture::kAccount:
      return Either(catalogue.accountAddress, catalogue.accountHandle);
    case ContactPicture::kShare:
      return Either(catalogue.shareTarget, catalogue.softdownTarget);
  }
  return {};
}

}  // namespace xr
