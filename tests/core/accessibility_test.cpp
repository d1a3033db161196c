// What a screen reader is told of the main window: roles and names, and when the face's reading
// is spoken as the clock runs and as the user sets it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "companion_windows/catalogue.h"
#include "companion_windows/companion_forms.h"
#include "tests/core/harness.h"

namespace xr::test {
namespace {

struct RoleRow {
  const char* control;
  Role role;
  const char* name;
  const char* partOf;  // "" when the control is an element of its own
};

class MainRolesTest : public ::testing::TestWithParam<RoleRow> {};

TEST_P(MainRolesTest, RoleNameAndFolding) {
  const RoleRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  const Control& c = f.window[r.control];
  EXPECT_EQ(c.AccessibleRole(), r.role) << r.control;
  EXPECT_EQ(c.AccessibleName(), r.name) << r.control;
  EXPECT_EQ(c.access.partOf ? c.access.partOf->Name() : "", r.partOf) << r.control;
}

INSTANTIATE_TEST_SUITE_P(Main, MainRolesTest,
                         ::testing::Values(RoleRow{"jf1", Role::Button, "分钟十位加一", ""},
                                           RoleRow{"jf0", Role::Button, "分钟个位加一", ""},
                                           RoleRow{"jm1", Role::Button, "秒钟十位加一", ""},
                                           RoleRow{"jm0", Role::Button, "秒钟个位加一", ""},
                                           RoleRow{"kf1", Role::Button, "分钟十位减一", ""},
                                           RoleRow{"kf0", Role::Button, "分钟个位减一", ""},
                                           RoleRow{"km1", Role::Button, "秒钟十位减一", ""},
                                           RoleRow{"km0", Role::Button, "秒钟个位减一", ""},
                                           RoleRow{"zjs", Role::RadioButton, "正计时", ""},
                                           RoleRow{"djs", Role::RadioButton, "倒计时", ""},
                                           RoleRow{"开始", Role::Button, "开 始", ""},
                                           RoleRow{"more", Role::Button, "更多应用", ""},
                                           RoleRow{"f1", Role::Clock, "倒计时 00:00", ""},
                                           RoleRow{"f0", Role::Text, "0", "f1"},
                                           RoleRow{"mh1", Role::Text, ":", "f1"},
                                           RoleRow{"m1", Role::Text, "0", "f1"},
                                           RoleRow{"m0", Role::Text, "0", "f1"}));

// --- What is spoken, and when -----------------------------------------------------------------

struct SpeechRow {
  const char* what;
  bool countdown;
  const char* face;
  std::vector<const char*> clicks;  // after the mode and the face are set
  int runSeconds;                   // 0: the clock is not started
  Log told;                         // from the clicks on
  const char* reading;              // the face's name at the end, whether told or not
};

class SpeechTest : public ::testing::TestWithParam<SpeechRow> {};

TEST_P(SpeechTest, ToldOnlyWhatTheRuleAllows) {
  const SpeechRow& r = GetParam();
  Harness h;
  MainForm& f = h.Open();
  ASSERT_TRUE(h.Click(r.countdown ? f.djs : f.zjs));
  h.SetFace(r.face);
  h.told.clear();
  for (const char* c : r.clicks) ASSERT_TRUE(h.Click(f.window[c])) << c;
  if (r.runSeconds > 0) {
    ASSERT_TRUE(h.Click(f.开始));
    h.Advance(1000 * r.runSeconds);
  }
  EXPECT_EQ(h.told, r.told);
  EXPECT_EQ(f.f1.AccessibleName(), r.reading);
}

Log Said(std::initializer_list<const char*> readings) {
  Log out;
  for (const char* s : readings) out.push_back(std::string("f1.Announce=") + s);
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SpeechTest,
    ::testing::Values(
        SpeechRow{"quiet between minutes", true, "02:30", {}, 20, {}, "倒计时 02:10"},
        SpeechRow{
            "a whole minute down", true, "02:02", {}, 3, Said({"倒计时 02:00"}), "倒计时 01:59"},
        SpeechRow{"the last ten seconds, each one",
                  true,
                  "00:13",
                  {},
                  13,
                  Said({"倒计时 00:10", "倒计时 00:09", "倒计时 00:08", "倒计时 00:07",
                        "倒计时 00:06", "倒计时 00:05", "倒计时 00:04", "倒计时 00:03",
                        "倒计时 00:02", "倒计时 00:01", "倒计时 00:00"}),
                  "倒计时 00:00"},
        SpeechRow{
            "a whole minute up", false, "00:58", {}, 3, Said({"正计时 01:00"}), "正计时 01:01"},
        SpeechRow{"counting up to the limit",
                  false,
                  "59:58",
                  {},
                  3,
                  Said({"正计时 59:59"}),
                  "正计时 59:59"},
        SpeechRow{"an adjuster",
                  true,
                  "00:00",
                  {"jm1", "km0"},
                  0,
                  Said({"倒计时 00:10", "倒计时 00:19"}),
                  "倒计时 00:19"},
        SpeechRow{"a selector",
                  true,
                  "01:00",
                  {"zjs"},
                  0,
                  {"zjs.Checked=1", "djs.Checked=0", "f1.Announce=正计时 01:00"},
                  "正计时 01:00"},
        SpeechRow{"reset", false, "03:21", {"重置"}, 0, Said({"正计时 00:00"}), "正计时 00:00"}));

TEST(SelectorState, FollowsTheModeWhateverSetIt) {
  Harness h;
  MainForm& f = h.Open();
  EXPECT_TRUE(f.djs.Checked());
  EXPECT_FALSE(f.zjs.Checked());
  // The mode is the countdown selector's colour: a write of it alone turns both.
  f.djs.SetBackColor(kWhite);
  EXPECT_FALSE(f.djs.Checked());
  EXPECT_TRUE(f.zjs.Checked());
  EXPECT_EQ(f.f1.AccessibleName(), "正计时 00:00");
}

TEST(CompanionWindows, LinksCarryTheirAddressAndCodesTheirName) {
  fake::FakePlatform fake;
  MoreAppsForm more(fake);
  const Catalogue& cat = TheCatalogue();
  for (std::size_t i = 0; i < more.links.size(); ++i) {
    EXPECT_EQ(more.links[i]->AccessibleRole(), Role::Button);
    EXPECT_EQ(more.links[i]->AccessibleName(), cat.links[i].caption);
    EXPECT_EQ(more.links[i]->access.description, cat.links[i].target) << i;
  }
  EXPECT_EQ(more.softdown.access.description, cat.softdownTarget);
  ContactForm contact(fake);
  EXPECT_EQ(contact.Image3.AccessibleRole(), Role::Image);
  EXPECT_EQ(contact.Image3.AccessibleName(), "二维码：微信公众号");
  EXPECT_EQ(contact.Image4.access.description, ContactQrText(cat, ContactPicture::kShare));
}

}  // namespace
}  // namespace xr::test
