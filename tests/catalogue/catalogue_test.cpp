#include "companion_windows/catalogue.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Code points of a UTF-8 text, or nothing when it is not well-formed.
std::optional<std::vector<std::uint32_t>> DecodeUtf8(const std::string& s) {
  std::vector<std::uint32_t> out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b0 = static_cast<std::uint8_t>(s[i]);
    int len = b0 < 0x80           ? 1
              : (b0 >> 5) == 0x6  ? 2
              : (b0 >> 4) == 0xE  ? 3
              : (b0 >> 3) == 0x1E ? 4
                                  : 0;
    if (len == 0 || i + len > s.size()) return std::nullopt;
    std::uint32_t cp = len == 1 ? b0 : b0 & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
      const auto b = static_cast<std::uint8_t>(s[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len]) return std::nullopt;
    out.push_back(cp);
    i += len;
  }
  return out;
}

bool IsCjkIdeograph(std::uint32_t cp) {
  return (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0x3400 && cp <= 0x4DBF) ||
         (cp >= 0x20000 && cp <= 0x3134F);
}

bool IsSixChineseCharacters(const std::string& caption) {
  const auto cps = DecodeUtf8(caption);
  if (!cps || cps->size() != 6) return false;
  for (std::uint32_t cp : *cps) {
    if (!IsCjkIdeograph(cp)) return false;
  }
  return true;
}

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// A strict reading of an absolute https URL: a host of DNS characters, an optional port, and
// a path, query and fragment made only of URL characters, with every % starting an escape.
bool IsHttpsUrl(const std::string& url) {
  const std::string scheme = "https://";
  if (url.compare(0, scheme.size(), scheme) != 0) return false;
  std::size_t i = scheme.size();
  const std::size_t hostStart = i;
  while (i < url.size() && url[i] != '/' && url[i] != ':' && url[i] != '?' && url[i] != '#') {
    const char c = url[i];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '.';
    if (!ok) return false;
    ++i;
  }
  const std::string host = url.substr(hostStart, i - hostStart);
  if (host.empty() || host.front() == '.' || host.back() == '.' || host.front() == '-' ||
      host.find("..") != std::string::npos || host.find('.') == std::string::npos) {
    return false;
  }
  if (i < url.size() && url[i] == ':') {
    const std::size_t portStart = ++i;
    while (i < url.size() && url[i] >= '0' && url[i] <= '9') ++i;
    if (i == portStart || i - portStart > 5) return false;
  }
  static const std::string kAllowed = "-._~!$&'()*+,;=:@/?#";
  for (; i < url.size(); ++i) {
    const char c = url[i];
    if (c == '%') {
      if (i + 2 >= url.size() || !IsHexDigit(url[i + 1]) || !IsHexDigit(url[i + 2])) return false;
      i += 2;
      continue;
    }
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    kAllowed.find(c) != std::string::npos;
    if (!ok) return false;
  }
  return true;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

// A complete, valid catalogue text to which a test appends or in which it replaces lines.
std::string ValidText() {
  std::string text;
  for (int i = 1; i <= 10; ++i) {
    text += "link" + std::to_string(i) + ".caption = 番茄工作方法\n";
    text +=
        "link" + std::to_string(i) + ".target = https://example.org/" + std::to_string(i) + "\n";
  }
  text += "softdown.target = https://example.org/down\n";
  return text;
}

// --- the catalogue built into the program ---------------------------------------------------

TEST(BuiltInCatalogue, CaptionsAreSixChineseCharacters) {
  for (std::size_t i = 0; i < xr::kLinkCount; ++i) {
    EXPECT_TRUE(IsSixChineseCharacters(xr::TheCatalogue().links[i].caption))
        << "link " << i + 1 << ": " << xr::TheCatalogue().links[i].caption;
  }
}

TEST(BuiltInCatalogue, TargetsAreDistinctHttpsUrls) {
  const xr::Catalogue& c = xr::TheCatalogue();
  std::set<std::string> targets;
  for (std::size_t i = 0; i < xr::kLinkCount; ++i) {
    EXPECT_TRUE(IsHttpsUrl(c.links[i].target)) << "link " << i + 1 << ": " << c.links[i].target;
    targets.insert(c.links[i].target);
  }
  EXPECT_EQ(targets.size(), xr::kLinkCount) << "two buttons would open the same page";
  EXPECT_TRUE(IsHttpsUrl(c.softdownTarget)) << c.softdownTarget;
  EXPECT_TRUE(IsHttpsUrl(xr::ContactQrText(c, xr::ContactPicture::kShare)));
}

// The build embeds the file through generated C++ literals; any escaping fault shows here.
TEST(BuiltInCatalogue, MatchesTheCatalogueFileItWasBuiltFrom) {
  const std::string text = ReadFile(XR_CATALOGUE_FILE);
  ASSERT_FALSE(text.empty()) << XR_CATALOGUE_FILE;
  const xr::CatalogueParse parsed = xr::ParseCatalogue(text);
  ASSERT_TRUE(parsed.ok());
  const xr::Catalogue& a = parsed.catalogue;
  const xr::Catalogue& b = xr::TheCatalogue();
  for (std::size_t i = 0; i < xr::kLinkCount; ++i) {
    EXPECT_EQ(a.links[i].caption, b.links[i].caption);
    EXPECT_EQ(a.links[i].target, b.links[i].target);
  }
  EXPECT_EQ(a.softdownTarget, b.softdownTarget);
  EXPECT_EQ(a.accountName, b.accountName);
  EXPECT_EQ(a.accountHandle, b.accountHandle);
  EXPECT_EQ(a.accountAddress, b.accountAddress);
  EXPECT_EQ(a.wechatNumber, b.wechatNumber);
  EXPECT_EQ(a.wechatAddress, b.wechatAddress);
  EXPECT_EQ(a.qqNumber, b.qqNumber);
  EXPECT_EQ(a.qqAddress, b.qqAddress);
  EXPECT_EQ(a.shareTarget, b.shareTarget);
}

// The checkers above must be able to say no, or the two tests before prove nothing.
TEST(Checkers, RejectWhatIsNotACaptionOrAnHttpsUrl) {
  EXPECT_TRUE(IsSixChineseCharacters("日晷计时原理"));
  for (const char* bad : {"日晷计时原", "日晷计时原理书", "日晷计时 原理", "日晷计时原，",
                          "日晷计时原A", "\xE6\x97\xA5\xE6\x99\xB7\xE8\xAE\xA1\xE6\x97\xB6\xE5"}) {
    EXPECT_FALSE(IsSixChineseCharacters(bad)) << bad;
  }
  EXPECT_TRUE(IsHttpsUrl("https://zh.wikipedia.org/wiki/%E6%97%A5%E6%99%B7"));
  EXPECT_TRUE(IsHttpsUrl("https://www.ntsc.ac.cn/"));
  EXPECT_TRUE(IsHttpsUrl("https://example.org:8443/a?b=c#d"));
  for (const char* bad :
       {"http://example.org/", "https://", "https:///path", "example.org", "https://exa mple.org/",
        "https://example.org/a b", "https://例子.cn/", "https://zh.wikipedia.org/wiki/日晷",
        "https://example.org/%E6%9", "https://example..org/", "https://localhost/",
        "https://example.org:/", "HTTPS://example.org/", " https://example.org/"}) {
    EXPECT_FALSE(IsHttpsUrl(bad)) << bad;
  }
}

// --- reading catalogue files --------------------------------------------------------------

TEST(ParseCatalogue, ReadsKeysValuesAndToleratesFileFurniture) {
  std::string text = "\xEF\xBB\xBF# a distributor's catalogue\r\n\r\n";
  text += ValidText();
  text += "   wechat.number\t=  wx-12345  \r\n";
  text += "share.target = https://example.org/s?a=b&c=d\n";
  text += "  # indented comment = not a key\n";
  text += "qq.number =";  // empty, and no newline at the end of the file
  const xr::CatalogueParse parsed = xr::ParseCatalogue(text);
  ASSERT_TRUE(parsed.ok()) << parsed.errors.front();
  EXPECT_EQ(parsed.catalogue.links[0].caption, "番茄工作方法");
  EXPECT_EQ(parsed.catalogue.links[9].target, "https://example.org/10");
  EXPECT_EQ(parsed.catalogue.softdownTarget, "https://example.org/down");
  EXPECT_EQ(parsed.catalogue.wechatNumber, "wx-12345");
  EXPECT_EQ(parsed.catalogue.shareTarget, "https://example.org/s?a=b&c=d");
  EXPECT_EQ(parsed.catalogue.qqNumber, "");
  EXPECT_EQ(parsed.catalogue.accountName, "");
}

struct BadCatalogue {
  const char* what;
  std::string text;
  const char* message;
};

// Names the row instead of dumping its bytes in test listings.
void PrintTo(const BadCatalogue& row, std::ostream* os) { *os << row.what; }

class ParseCatalogueRejects : public testing::TestWithParam<BadCatalogue> {};

TEST_P(ParseCatalogueRejects, WithAMessageNamingTheFault) {
  const xr::CatalogueParse parsed = xr::ParseCatalogue(GetParam().text);
  ASSERT_FALSE(parsed.ok());
  bool found = false;
  for (const std::string& e : parsed.errors) found |= e.find(GetParam().message) != e.npos;
  EXPECT_TRUE(found) << "first error: " << parsed.errors.front();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ParseCatalogueRejects,
    testing::Values(
        BadCatalogue{"no equals sign", ValidText() + "qq.number 12345\n",
                     "line 22: expected `key = value`"},
        BadCatalogue{"unknown key", ValidText() + "link11.caption = 番茄工作方法\n",
                     "line 22: unknown key `link11.caption`"},
        BadCatalogue{"misspelt key", ValidText() + "wechat.numbr = 1\n", "unknown key"},
        BadCatalogue{"duplicate key", ValidText() + "link3.target = https://example.org/x\n",
                     "line 22: `link3.target` is given twice"},
        BadCatalogue{"missing link", ValidText().substr(ValidText().find('\n') + 1),
                     "`link1.caption` is missing"},
        BadCatalogue{"empty download site",
                     [] {
                       std::string t = ValidText();
                       t.replace(t.find("https://example.org/down"), 24, "");
                       return t;
                     }(),
                     "`softdown.target` is empty"},
        BadCatalogue{"broken UTF-8", ValidText() + "account.name = \xE5\xB2\n", "not valid UTF-8"},
        BadCatalogue{"control character", ValidText() + "account.name = a\x01z\n",
                     "control character"},
        BadCatalogue{"empty file", "", "`softdown.target` is missing"}),
    [](const testing::TestParamInfo<BadCatalogue>& info) {
      std::string name = info.param.what;
      for (char& c : name) {
        if (c == ' ' || c == '-') c = '_';
      }
      return name;
    });

// --- texts of the contact window ----------------------------------------------------------

struct InvitationRow {
  const char* name;
  const char* handle;
  const char* tail;
};

TEST(ContactTexts, InvitationNamesTheAccountOrSaysItIsMissing) {
  const std::string lead = "    欢迎关注微信公众号，获取更多的信息：";
  for (const InvitationRow& row :
       {InvitationRow{"", "", "未提供"},
        InvitationRow{"示例公众号", "example_account", "示例公众号（example_account）"},
        InvitationRow{"示例公众号", "", "示例公众号"},
        InvitationRow{"", "example_account", "example_account"}}) {
    EXPECT_EQ(xr::InvitationText(row.name, row.handle), lead + row.tail)
        << row.name << " / " << row.handle;
  }
}

TEST(ContactTexts, AccountLabelsShowTheNumberOrSayItIsMissing) {
  EXPECT_EQ(xr::WeChatLabel(""), "微信：未提供");
  EXPECT_EQ(xr::WeChatLabel("wx_2024"), "微信：wx_2024");
  EXPECT_EQ(xr::QQLabel(""), "QQ：未提供");
  EXPECT_EQ(xr::QQLabel("10001"), "QQ：10001");
}

TEST(ContactTexts, QrPicturesPreferTheAddressAndFallBack) {
  xr::Catalogue c;
  c.softdownTarget = "https://example.org/down";
  for (xr::ContactPicture p :
       {xr::ContactPicture::kWeChat, xr::ContactPicture::kQq, xr::ContactPicture::kAccount}) {
    EXPECT_EQ(xr::ContactQrText(c, p), "") << static_cast<int>(p);
  }
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kShare), "https://example.org/down");

  c.wechatNumber = "wx_2024";
  c.qqNumber = "10001";
  c.accountHandle = "example_account";
  c.shareTarget = "https://example.org/share";
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kWeChat), "wx_2024");
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kQq), "10001");
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kAccount), "example_account");
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kShare), "https://example.org/share");

  c.wechatAddress = "https://example.org/wx";
  c.qqAddress = "https://example.org/qq";
  c.accountAddress = "https://example.org/mp";
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kWeChat), "https://example.org/wx");
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kQq), "https://example.org/qq");
  EXPECT_EQ(xr::ContactQrText(c, xr::ContactPicture::kAccount), "https://example.org/mp");
}

}  // namespace
