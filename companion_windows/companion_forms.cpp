#include "companion_windows/companion_forms.h"

#include <string>
#include <utility>

#include "companion_windows/catalogue.h"

namespace xr {

namespace {

struct Box {
  float left, top, width, height;
};

template <typename T>
T& Place(T& c, Box b) {
  c.Move(b.left, b.top, b.width, b.height);
  return c;
}

Button& MakeButton(Window& w, std::string name, const std::string& caption, Box b, float size,
                   int tab, const char* face) {
  Button& c = Place(w.Add<Button>(std::move(name)), b);
  c.SetCaption(caption);
  c.SetFontSize(size);
  c.fontName = face;
  c.tabIndex = tab;
  return c;
}

Label& Text(Window& w, std::string name, const std::string& caption, Box b, float size, Align align,
            const char* face) {
  Label& c = Place(w.Add<Label>(std::move(name)), b);
  c.SetCaption(caption);
  c.SetFontSize(size);
  c.SetForeColor(kButtonTextColor);
  c.fontName = face;
  c.align = align;
  c.transparent = true;
  c.wordWrap = true;
  return c;
}

Picture& MakePicture(Window& w, std::string name, const char* resource, float left) {
  Picture& c = Place(w.Add<Picture>(std::move(name)), {left, 2400, 2295, 2295});
  c.resource = resource;
  return c;
}

// The button unloads its window, as the close box does; either way the program hears of it.
void UnloadsWith(WindowHost& host, Window& window, Button& button,
                 std::function<void()>& onUnloaded) {
  button.onClick = [&host, &window, &onUnloaded] {
    host.Unload(window);
    if (onUnloaded) onUnloaded();
  };
  window.onUnload = [&onUnloaded] {
    if (onUnloaded) onUnloaded();
  };
}

constexpr const char* kSong = "宋体";
constexpr const char* kKai = "楷体";

// Places of the ten catalogue buttons, with their tab positions. The third column's last
// button stands a little apart from its neighbours, as the window was always drawn.
struct LinkPlace {
  float left, top;
  int tab;
};
constexpr std::array<LinkPlace, 10> kLinkPlaces = {{{420, 1200, 1},
                                                    {2880, 1200, 2},
                                                    {5380, 1200, 3},
                                                    {420, 1980, 4},
                                                    {2880, 1980, 5},
                                                    {5380, 1980, 6},
                                                    {420, 2740, 7},
                                                    {2880, 2740, 8},
                                                    {5400, 2760, 13},
                                                    {2880, 3480, 11}}};

}  // namespace

MoreAppsForm::MoreAppsForm(Platform& p, WindowHost& host)
    : platform(p),
      heading(Text(window, "Label1", "岫然应用程序", {1200, 480, 5775, 495}, 21.75f, Align::Center,
                   kSong)),
      links{},
      downloadSiteButton(MakeButton(window, "softdown", "软件下载网站", {420, 3480, 2175, 495},
                                    14.25f, 10, kSong)),
      closeButton(MakeButton(window, "close", "关  闭", {1560, 4560, 2055, 495}, 18, 9, kSong)),
      contactButton(
          MakeButton(window, "lianxi", "联系作者", {4680, 4560, 1935, 495}, 18, 12, kSong)) {
  window.caption = "应用列表";
  window.design.border = Border::FixedSingle;
  window.design.minButton = false;
  window.design.maxButton = false;
  window.design.clientWidth = 7965;
  window.design.clientHeight = 5490;
  window.design.picture = "pictures/yylb_bg.jpg";
  window.design.icon = "icons/app.ico";
  heading.wordWrap = false;

  const Catalogue& catalogue = TheCatalogue();
  for (std::size_t i = 0; i < links.size(); ++i) {
    const LinkPlace& at = kLinkPlaces[i];
    Button& b = MakeButton(window, "link" + std::to_string(i + 1), catalogue.links[i].caption,
                           {at.left, at.top, 2175, 495}, 14.25f, at.tab, kSong);
    links[i] = &b;
    b.access.description = catalogue.links[i].target;
    const std::string target = catalogue.links[i].target;
    b.onClick = [this, target] { platform.OpenUrl(target); };
  }
  downloadSiteButton.access.description = catalogue.softdownTarget;
  const std::string download = catalogue.softdownTarget;
  downloadSiteButton.onClick = [this, download] { platform.OpenUrl(download); };
  contactButton.onClick = [this] {
    if (openContact) openContact();
  };
  UnloadsWith(host, window, closeButton, onUnloaded);
}

ContactForm::ContactForm(Platform& p, WindowHost& host)
    : platform(p),
      heading(Text(window, "Label2", "常用办公助手软件", {2520, 240, 5535, 495}, 21.75f,
                   Align::Center, kKai)),
      thanks(
          Text(window, "Label1",
               "    本软件为免费软件，如果觉得好用，请分享给你的亲朋好友；如发现有问题或是意见和建"
               "议，请联系作者，感谢你的支持！",
               {240, 960, 10215, 615}, 14.25f, Align::Left, kKai)),
      invitation(Text(window, "Label6", InvitationText(), {240, 1680, 10335, 495}, 14.25f,
                      Align::Left, kKai)),
      weChatCode(MakePicture(window, "Image1", "pictures/image1.jpg", 240)),
      qqCode(MakePicture(window, "Image2", "pictures/image2.jpg", 2835)),
      officialAccountCode(MakePicture(window, "Image3", "pictures/image3.jpg", 5430)),
      shareCode(MakePicture(window, "Image4", "pictures/image4.jpg", 8040)),
      weChatLabel(
          Text(window, "Label7", WeChatLabel(), {360, 4800, 2295, 375}, 12, Align::Left, kKai)),
      qqLabel(Text(window, "Label8", QQLabel(), {3180, 4800, 1935, 375}, 12, Align::Left, kKai)),
      officialAccountLabel(
          Text(window, "Label9", "微信公众号", {6000, 4800, 1695, 375}, 12, Align::Left, kKai)),
      shareLabel(
          Text(window, "Label10", "分享软件", {8235, 4800, 2055, 375}, 12, Align::Center, kKai)),
      closeButton(
          MakeButton(window, "goback", "关  闭", {4200, 5280, 2055, 495}, 15.75f, 0, kKai)) {
  window.caption = "联系作者";
  window.design.border = Border::Sizable;
  window.design.minButton = false;
  window.design.maxButton = false;
  window.design.clientWidth = 10800;
  window.design.clientHeight = 6060;
  window.design.picture = "pictures/lxzz_bg.jpg";
  window.design.icon = "icons/contact.ico";
  heading.bold = true;

  // Each code is named by the label under it and described by what it carries, which a reader
  // cannot scan.
  const std::array<std::pair<Picture*, Label*>, 4> codes = {
      {{&weChatCode, &weChatLabel},
       {&qqCode, &qqLabel},
       {&officialAccountCode, &officialAccountLabel},
       {&shareCode, &shareLabel}}};
  for (std::size_t i = 0; i < codes.size(); ++i) {
    auto [image, label] = codes[i];
    image->access.name = "二维码：" + label->Caption();
    image->access.description = ContactQrText(TheCatalogue(), kContactPictures[i]);
  }

  UnloadsWith(host, window, closeButton, onUnloaded);
}

}  // namespace xr
