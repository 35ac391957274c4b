// Skin XML to control tree and layout: the window's attributes, fonts, attribute rules,
// unknown and custom tags, hostile skins, and the rectangles the layouts give.
#include <gtest/gtest.h>

#include <string>

#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "toolkit/skin_builder.h"
#include "toolkit/window_manager.h"

using namespace SkinUI;

namespace {

std::span<const unsigned char> Bytes(const std::string& text) {
  return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

bool Build(const std::string& xml, WindowManager& manager, const ControlFactory& factory = {}) {
  return BuildSkin(Bytes(xml), manager, factory);
}

class Marker : public Label {
 public:
  std::wstring ClassName() const override { return L"SequenceLabel"; }
};

}  // namespace

TEST(ControlTree, WindowAttributesFontsAndControlAttributes) {
  WindowManager m;
  ASSERT_TRUE(Build(R"(<?xml version="1.0" encoding="utf-8"?>
<Window size="600,400" caption="0,0,0,35" roundcorner="2,2" showshadow="true" shadowcolor="#26003B76">
  <Font id="0" name="微软雅黑" size="14" default="true"/>
  <Font ID="5" NAME="微软雅黑" Size="40" BOLD="true"/>
  <VerticalLayout name="winCtn" bkimage="res\mainWnd\bg1.png">
    <Label name="softNameLbl" text="Quorrin" textcolor="#FFFFFFFF" font="0" visible="flase" width="200" height="14"
           isstretchfore="false" userdata="x=1"/>
    <Button name="okBtn" text="知道了" bkcolor="#FF4BB5F1" hotbkcolor="#FF6ECAFF" enabled="false"/>
    <Option name="treatyCb" selected="true"/>
    <Progress name="installPrg" foreimage="file='res\mainWnd\installPrg2.png' corner='5,5,5,5'" value="150"/>
  </VerticalLayout>
</Window>)", m));
  const WindowAttributes& w = m.Attributes();
  EXPECT_EQ(w.size, (Size{600, 400}));
  EXPECT_EQ(w.caption, (Rect{0, 0, 0, 35}));
  EXPECT_EQ(w.roundCorner, (Size{2, 2}));
  EXPECT_EQ(w.custom.at("showshadow"), "true");
  EXPECT_EQ(w.custom.at("shadowcolor"), "#26003B76");

  EXPECT_EQ(m.GetFont(5).size, 40);
  EXPECT_TRUE(m.GetFont(5).bold) << "font attribute names are compared without case";
  EXPECT_EQ(m.GetFont(-1).size, 14) << "the default font";
  EXPECT_EQ(m.GetFont(77).size, 14);

  Control* name = m.FindControl(L"softNameLbl");
  ASSERT_NE(name, nullptr);
  EXPECT_FALSE(name->IsVisible()) << "visible=\"flase\" hides";
  EXPECT_EQ(name->TextColor(), 0xFFFFFFFFu);
  EXPECT_EQ(name->FixedWidth(), 200);
  EXPECT_EQ(name->UserData(), L"x=1");
  auto* ok = dynamic_cast<Button*>(m.FindControl(L"okBtn"));
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->Text(), L"知道了");
  EXPECT_EQ(ok->HotBkColor(), 0xFF6ECAFFu);
  EXPECT_FALSE(ok->IsEnabled());
  EXPECT_TRUE(dynamic_cast<Option*>(m.FindControl(L"treatyCb"))->IsSelected());
  auto* progress = dynamic_cast<Progress*>(m.FindControl(L"installPrg"));
  ASSERT_NE(progress, nullptr);
  EXPECT_EQ(progress->Value(), 100) << "clamped to the range";
  EXPECT_EQ(m.FindControl(L"nothing"), nullptr);
  EXPECT_EQ(m.FindControl(L""), nullptr);
}

TEST(ControlTree, UnknownTagsGoToTheFactoryOrAreSkippedWithTheirChildren) {
  WindowManager m;
  std::vector<std::wstring> asked;
  const ControlFactory factory = [&](std::wstring_view tag) -> std::unique_ptr<Control> {
    asked.emplace_back(tag);
    if (tag == L"SequenceLabel") return std::make_unique<Marker>();
    return nullptr;
  };
  ASSERT_TRUE(Build(R"(<Window size="10,10"><HorizontalLayout>
      <Fancy name="a"><Label name="inner"/></Fancy>
      <SequenceLabel name="seq" sequencecount="3"/>
      <!-- <Label name="commented"/> -->
    </HorizontalLayout></Window>)", m, factory));
  EXPECT_EQ(asked, (std::vector<std::wstring>{L"Fancy", L"SequenceLabel"}));
  EXPECT_EQ(m.FindControl(L"a"), nullptr);
  EXPECT_EQ(m.FindControl(L"inner"), nullptr);
  EXPECT_EQ(m.FindControl(L"commented"), nullptr);
  ASSERT_NE(m.FindControl(L"seq"), nullptr);
  EXPECT_EQ(m.FindControl(L"seq")->ClassName(), L"SequenceLabel");
}

TEST(ControlTree, HostileSkinsGiveAFailureOrAnOddTreeNeverACrash) {
  std::string deep = "<Window size='10,10'>";
  for (int i = 0; i < 5000; ++i) deep += "<VerticalLayout name='v" + std::to_string(i) + "'>";
  for (int i = 0; i < 5000; ++i) deep += "</VerticalLayout>";
  deep += "</Window>";
  const struct {
    const char* name;
    std::string xml;
    bool builds;
  } cases[] = {
      {"not XML", "this is not a skin", false},
      {"empty", "", false},
      {"truncated", "<Window size='600,400'><VerticalLayout><Label", false},
      {"another root", "<Skin size='1,1'/>", false},
      {"window without controls", "<Window size='1,1'/>", true},
      {"absurd sizes", "<Window size='-5,1000000000'><HorizontalLayout inset='-9,0,0,0'>"
                       "<Label width='1000000000'/><Label width='1000000000'/><Label width='-3' height='-3'/>"
                       "<Label/></HorizontalLayout></Window>", true},
      {"deep nesting", deep, true},
  };
  for (const auto& c : cases) {
    WindowManager m;
    EXPECT_EQ(Build(c.xml, m), c.builds) << c.name;
    m.Layout();
    for (Control* control : m.AllControls()) EXPECT_GE(control->FixedWidth(), 0) << c.name;
  }
  WindowManager m;
  ASSERT_TRUE(Build(deep, m));
  EXPECT_NE(m.FindControl(L"v" + std::to_wstring(kMaxSkinDepth - 1)), nullptr);
  EXPECT_EQ(m.FindControl(L"v" + std::to_wstring(kMaxSkinDepth)), nullptr) << "nesting below the limit is skipped";
}

TEST(ControlTree, LayoutsShareOutWhatFixedSizesLeave) {
  WindowManager m;
  ASSERT_TRUE(Build(R"(<Window size="600,400" caption="0,0,0,35">
  <VerticalLayout name="root" inset="10,5,10,5">
    <HorizontalLayout name="title" height="35" childpadding="10">
      <Control width="10"/>
      <Label name="fixed" width="200" height="14" padding="0,10,0,0"/>
      <Control name="flex"/>
      <Button name="min" width="15" height="15"/>
      <Button name="hidden" width="50" visible="false"/>
    </HorizontalLayout>
    <TabLayout name="pages" selectedid="1">
      <VerticalLayout name="page0"/>
      <VerticalLayout name="page1"><Label name="inPage1" height="20" padding="4,6,0,0"/></VerticalLayout>
    </TabLayout>
    <Label name="floater" float="true" pos="100,100,150,130"/>
  </VerticalLayout>
</Window>)", m));
  m.Layout();
  auto pos = [&](const wchar_t* name) { return m.FindControl(name)->Pos(); };
  EXPECT_EQ(pos(L"root"), (Rect{0, 0, 600, 400}));
  EXPECT_EQ(pos(L"title"), (Rect{10, 5, 590, 40}));
  EXPECT_EQ(pos(L"fixed"), (Rect{30, 15, 230, 29}));
  // 580 wide: 10 + 200 + 15 fixed and three gaps of 10 leave 325 for the flexible control.
  EXPECT_EQ(pos(L"flex"), (Rect{240, 5, 565, 40}));
  EXPECT_EQ(pos(L"min"), (Rect{575, 5, 590, 20}));
  EXPECT_EQ(pos(L"pages"), (Rect{10, 40, 590, 395}));
  EXPECT_FALSE(m.FindControl(L"page0")->IsVisible());
  EXPECT_TRUE(m.FindControl(L"page1")->IsVisible());
  EXPECT_EQ(pos(L"inPage1"), (Rect{14, 46, 590, 66}));
  EXPECT_EQ(pos(L"floater"), (Rect{100, 100, 150, 130}));
  EXPECT_EQ(m.ControlAt(120, 110), m.FindControl(L"floater"));
  EXPECT_EQ(m.ControlAt(580, 10), m.FindControl(L"min"));
  EXPECT_TRUE(m.InCaption(300, 10));
  EXPECT_FALSE(m.InCaption(580, 10)) << "a button in the caption is not a drag area";
  EXPECT_FALSE(m.InCaption(300, 100));
}
