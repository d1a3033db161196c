// The catalogue is a build-time file, but a distributor's own file is parsed by the build's
// checker; a file that crashes it, or that it accepts and then embeds with other values than
// it checked, is a fault of ours.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "companion_windows/catalogue.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::vector<std::pair<std::string, const std::string*>> Fields(const xr::Catalogue& c) {
  std::vector<std::pair<std::string, const std::string*>> fields;
  for (std::size_t i = 0; i < xr::kLinkCount; ++i) {
    const std::string prefix = "link" + std::to_string(i + 1);
    fields.emplace_back(prefix + ".caption", &c.links[i].caption);
    fields.emplace_back(prefix + ".target", &c.links[i].target);
  }
  const std::pair<const char*, const std::string*> rest[] = {{"softdown.target", &c.softdownTarget},
                                                             {"account.name", &c.accountName},
                                                             {"account.handle", &c.accountHandle},
                                                             {"account.address", &c.accountAddress},
                                                             {"wechat.number", &c.wechatNumber},
                                                             {"wechat.address", &c.wechatAddress},
                                                             {"qq.number", &c.qqNumber},
                                                             {"qq.address", &c.qqAddress},
                                                             {"share.target", &c.shareTarget}};
  for (const auto& [key, value] : rest) fields.emplace_back(key, value);
  return fields;
}

bool HasControlOrEdgeBlank(std::string_view v) {
  for (char c : v) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return !v.empty() && (v.front() == ' ' || v.back() == ' ');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using xr::fuzz::Check;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const xr::CatalogueParse parsed = xr::ParseCatalogue(text);
  if (!parsed.ok()) return 0;

  // An accepted catalogue, written out again in the documented format, must read back as the
  // same catalogue: the values are exactly what a label or the shell will be given.
  std::string again;
  for (const auto& [key, value] : Fields(parsed.catalogue)) {
    Check(!HasControlOrEdgeBlank(*value), "values are trimmed and free of control characters");
    if (!value->empty()) again += key + " = " + *value + "\n";
  }
  const xr::CatalogueParse reread = xr::ParseCatalogue(again);
  Check(reread.ok(), "an accepted catalogue, written out, is accepted again");
  const auto first = Fields(parsed.catalogue);
  const auto second = Fields(reread.catalogue);
  for (std::size_t i = 0; i < first.size(); ++i) {
    Check(*first[i].second == *second[i].second, "an accepted catalogue reads back unchanged");
  }
  return 0;
}
