#include "companion_windows/companion_forms.h"

#include <string>
#include <utility>

#include "companion_windows/catalogue.h"

namespace xr {

namespace {

struct Box {
  float left, top, width, height;
};

Control& Place(Control& c, Box b) {
  c.Move(b.left, b.top, b.width, b.height);
  return c;
}

Control& Button(Window& w, std::string name, const std::string& caption, Box b, float size, int tab,
                const char* face) {
  Control& c = Place(w.Add(Kind::CommandButton, std::move(name)), b);
  c.SetCaption(caption);
  c.SetFontSize(size);
  c.design.fontName = face;
  c.design.tabIndex = tab;
  return c;
}

Control& Text(Window& w, std::string name, const std::string& caption, Box b, float size,
              Align align, const char* face) {
  Control& c = Place(w.Add(Kind::Label, std::move(name)), b);
  c.SetCaption(caption);
  c.SetFontSize(size);
  c.SetForeColor(kButtonTextColor);
  c.design.fontName = face;
  c.design.align = align;
  c.design.transparent = true;
  c.design.wordWrap = true;
  return c;
}

Control& Picture(Window& w, std::string name, const char* resource, float left) {
  Control& c = Place(w.Add(Kind::Picture, std::move(name)), {left, 2400, 2295, 2295});
  c.design.picture = resource;
  return c;
}

// The button unloads its window, as the close box does; either way the program hears of it.
void UnloadsWith(Platform& platform, Window& window, Control& button,
                 std::function<void()>& onUnloaded) {
  button.onClick = [&platform, &window, &onUnloaded] {
    platform.UnloadWindow(window);
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

MoreAppsForm::MoreAppsForm(Platform& p)
    : platform(p),
      Label1(Text(window, "Label1", "岫然应用程序", {1200, 480, 5775, 495}, 21.75f, Align::Center,
                  kSong)),
      links{},
      softdown(
          Button(window, "softdown", "软件下载网站", {420, 3480, 2175, 495}, 14.25f, 10, kSong)),
      close(Button(window, "close", "关  闭", {1560, 4560, 2055, 495}, 18, 9, kSong)),
      lianxi(Button(window, "lianxi", "联系作者", {4680, 4560, 1935, 495}, 18, 12, kSong)) {
  window.caption = "应用列表";
  window.design.border = Border::FixedSingle;
  window.design.minButton = false;
  window.design.maxButton = false;
  window.design.clientWidth = 7965;
  window.design.clientHeight = 5490;
  window.design.picture = "pictures/yylb_bg.jpg";
  window.design.icon = "icons/app.ico";
  Label1.design.wordWrap = false;

  const Catalogue& catalogue = TheCatalogue();
  for (std::size_t i = 0; i < links.size(); ++i) {
    const LinkPlace& at = kLinkPlaces[i];
    Control& b = Button(window, "link" + std::to_string(i + 1), catalogue.links[i].caption,
                        {at.left, at.top, 2175, 495}, 14.25f, at.tab, kSong);
    links[i] = &b;
    b.access.description = catalogue.links[i].target;
    const std::string target = catalogue.links[i].target;
    b.onClick = [this, target] { platform.OpenUrl(target); };
  }
  softdown.access.description = catalogue.softdownTarget;
  const std::string download = catalogue.softdownTarget;
  softdown.onClick = [this, download] { platform.OpenUrl(download); };
  lianxi.onClick = [this] {
    if (openContact) openContact();
  };
  UnloadsWith(platform, window, close, onUnloaded);
}

ContactForm::ContactForm(Platform& p)
    : platform(p),
      Label2(Text(window, "Label2", "常用办公助手软件", {2520, 240, 5535, 495}, 21.75f,
                  Align::Center, kKai)),
      Label1(
          Text(window, "Label1",
               "    本软件为免费软件，如果觉得好用，请分享给你的亲朋好友；如发现有问题或是意见和建"
               "议，请联系作者，感谢你的支持！",
               {240, 960, 10215, 615}, 14.25f, Align::Left, kKai)),
      Label6(Text(window, "Label6", InvitationText(), {240, 1680, 10335, 495}, 14.25f, Align::Left,
                  kKai)),
      Image1(Picture(window, "Image1", "pictures/image1.jpg", 240)),
      Image2(Picture(window, "Image2", "pictures/image2.jpg", 2835)),
      Image3(Picture(window, "Image3", "pictures/image3.jpg", 5430)),
      Image4(Picture(window, "Image4", "pictures/image4.jpg", 8040)),
      Label7(Text(window, "Label7", WeChatLabel(), {360, 4800, 2295, 375}, 12, Align::Left, kKai)),
      Label8(Text(window, "Label8", QQLabel(), {3180, 4800, 1935, 375}, 12, Align::Left, kKai)),
      Label9(Text(window, "Label9", "微信公众号", {6000, 4800, 1695, 375}, 12, Align::Left, kKai)),
      Label10(
          Text(window, "Label10", "分享软件", {8235, 4800, 2055, 375}, 12, Align::Center, kKai)),
      goback(Button(window, "goback", "关  闭", {4200, 5280, 2055, 495}, 15.75f, 0, kKai)) {
  window.caption = "联系作者";
  window.design.border = Border::Sizable;
  window.design.minButton = false;
  window.design.maxButton = false;
  window.design.clientWidth = 10800;
  window.design.clientHeight = 6060;
  window.design.picture = "pictures/lxzz_bg.jpg";
  window.design.icon = "icons/contact.ico";
  Label2.design.bold = true;

  // Each code is named by the label under it and described by what it carries, which a reader
  // cannot scan.
  const std::array<std::pair<Control*, Control*>, 4> codes = {
      {{&Image1, &Label7}, {&Image2, &Label8}, {&Image3, &Label9}, {&Image4, &Label10}}};
  for (std::size_t i = 0; i < codes.size(); ++i) {
    auto [image, label] = codes[i];
    image->access.name = "二维码：" + label->Caption();
    image->access.description = ContactQrText(TheCatalogue(), kContactPictures[i]);
  }

  UnloadsWith(platform, window, goback, onUnloaded);
}

}  // namespace xr
