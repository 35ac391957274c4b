// The real skins on the headless platform: every window loads from the embedded archive
// with its size, caption, corners and shadow attributes, every named control the windows
// use is there with its kind and size, the controls the windows treat as optional are
// absent, and the layout puts them inside their window.
#include <gtest/gtest.h>

#include <string>

#include "skin/skin_resource.h"
#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "toolkit/headless_platform.h"
#include "toolkit/skin_window.h"
#include "utils/text.h"

using namespace SkinUI;

namespace {

class RealSkinWindow : public SkinWindow {
 public:
  explicit RealSkinWindow(std::wstring file) : file_(std::move(file)) {}
  std::wstring GetSkinFile() const override { return file_; }
  int GetResourceID() const override { return kSkinResourceId; }
  std::wstring GetWindowClassName() const override { return file_.substr(0, file_.rfind(L'.')); }

 private:
  std::wstring file_;
};

class RealSkins : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlatform(&platform_);
    SetResourceLoader([](int type, int id) { return type == 4 ? SkinResource(id) : std::span<const unsigned char>(); });
  }
  void TearDown() override {
    SetResourceLoader({});
    SetPlatform(nullptr);
  }
  HeadlessPlatform platform_;
};

struct Named {
  const wchar_t* name;
  const wchar_t* className;  // nullptr: any
  int width, height;         // 0: not fixed by the skin
};

void ExpectControls(SkinWindow& w, std::initializer_list<Named> controls) {
  for (const Named& n : controls) {
    SCOPED_TRACE(Utils::ToNarrow(n.name, Utils::kCodePageUtf8));
    Control* c = w.FindControl(n.name);
    ASSERT_NE(c, nullptr);
    if (n.className != nullptr) EXPECT_EQ(c->ClassName(), n.className);
    if (n.width != 0) EXPECT_EQ(c->FixedWidth(), n.width);
    if (n.height != 0) EXPECT_EQ(c->FixedHeight(), n.height);
  }
}

void ExpectWindow(SkinWindow& w, Size size, int captionHeight) {
  const WindowAttributes& a = w.Manager().Attributes();
  EXPECT_EQ(a.size, size);
  EXPECT_EQ(a.caption, (Rect{0, 0, 0, captionHeight}));
  EXPECT_EQ(a.roundCorner, (Size{2, 2}));
  const std::map<std::string, std::string> shadow = {
      {"showshadow", "true"}, {"shadowsize", "6"}, {"shadowsharpness", "10"}, {"shadowdarkness", "20"},
      {"shadowposition", "1,1"}, {"shadowcolor", "#26003B76"}};
  for (const auto& [key, value] : shadow) EXPECT_EQ(a.custom.count(key) ? a.custom.at(key) : "", value) << key;
  EXPECT_EQ(w.Manager().GetFont(-1).name, L"微软雅黑");
  // Every shown control lies inside the window.
  w.Manager().Layout();
  for (Control* c : w.Manager().AllControls()) {
    if (!c->IsShown() || c->Pos().Empty()) continue;
    const std::string name = Utils::ToNarrow(c->Name(), Utils::kCodePageUtf8);
    EXPECT_GE(c->Pos().left, 0) << name;
    EXPECT_GE(c->Pos().top, 0) << name;
    EXPECT_LE(c->Pos().right, size.cx) << name;
    EXPECT_LE(c->Pos().bottom, size.cy) << name;
  }
}

}  // namespace

TEST_F(RealSkins, MainWindow) {
  RealSkinWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
  ExpectWindow(w, {600, 400}, 35);
  const int fontSizes[] = {14, 16, 14, 12, 24, 40};
  for (int id = 0; id < 6; ++id) EXPECT_EQ(w.Manager().GetFont(id).size, fontSizes[id]) << id;
  EXPECT_EQ(w.Manager().GetFont(-1).size, 14);

  ExpectControls(w, {
      {L"winCtn", nullptr, 0, 0},           {L"titleTabLt", L"TabLayout", 200, 0},
      {L"mainTabLt", L"TabLayout", 0, 0},   {L"titleGrpCtn", nullptr, 40, 0},
      {L"backBtn", L"Button", 50, 15},      {L"softNameLbl", L"Label", 200, 14},
      {L"minbtn", L"Button", 15, 15},       {L"closebtn", L"Button", 15, 15},
      {L"logo1", nullptr, 387, 48},         {L"defaultInstallBtn", L"Button", 235, 81},
      {L"tipLbl", L"Label", 124, 40},       {L"treatyCb", nullptr, 0, 0},
      {L"treatyBtn", nullptr, 0, 0},        {L"customeBtn", L"Button", 89, 16},
      {L"installDirEdit", L"Edit", 340, 40}, {L"chDirBtn", L"Button", 84, 40},
      {L"createDSCb", nullptr, 0, 0},       {L"createQSCb", nullptr, 0, 0},
      {L"customeInstallBtn", L"Button", 235, 81}, {L"progressLb", L"Label", 300, 0},
      {L"installPrg", L"Progress", 572, 11}, {L"finishedLbl", L"Button", 70, 70},
      {L"openProduceBtn", L"Button", 235, 81},
  });
  for (const wchar_t* absent : {L"serviceCb", L"ableftBtn", L"abrightBtn", L"progressAnLb", L"installLogo",
                                L"languageCombo", L"bTitleLbl1", L"bTitleLbl2", L"bTitleLbl3"}) {
    EXPECT_EQ(w.FindControl(absent), nullptr);
  }
  for (const wchar_t* option : {L"treatyCb", L"treatyBtn", L"createDSCb", L"createQSCb"}) {
    auto* o = dynamic_cast<Option*>(w.FindControl(option));
    ASSERT_NE(o, nullptr) << "a check box";
    EXPECT_TRUE(o->IsSelected());
  }
  EXPECT_EQ(w.FindControl(L"treatyCb")->Text(), L"已同意");
  EXPECT_EQ(w.FindControl(L"treatyBtn")->Text(), L"《用户许可协议》");
  EXPECT_EQ(w.FindControl(L"createDSCb")->Text(), L"创建桌面快捷方式");
  EXPECT_EQ(w.FindControl(L"createQSCb")->Text(), L"添加到快速启动栏");
  EXPECT_FALSE(w.FindControl(L"softNameLbl")->IsVisible()) << "visible=\"flase\"";
  EXPECT_FALSE(w.FindControl(L"tipLbl")->IsVisible());
  Control* progressText = w.FindControl(L"progressLb");
  EXPECT_EQ(progressText->Text(), L"正在安装中:0%，请稍候...");
  EXPECT_EQ(progressText->Font(), 1);
  EXPECT_EQ(progressText->TextColor(), 0u);
  EXPECT_EQ(dynamic_cast<TabLayout*>(w.FindControl(L"mainTabLt"))->CurrentSel(), 0);
  EXPECT_EQ(dynamic_cast<TabLayout*>(w.FindControl(L"mainTabLt"))->Children().size(), 4u);
  EXPECT_EQ(dynamic_cast<TabLayout*>(w.FindControl(L"titleTabLt"))->Children().size(), 3u);
  EXPECT_NE(w.FindControl(L"winCtn")->BkImage().find("bg1.png"), std::string::npos);
  // The title bar is the top 35 pixels, the minimise and close buttons at its right.
  w.Manager().Layout();
  EXPECT_LT(w.FindControl(L"closebtn")->Pos().bottom, 35);
  EXPECT_GT(w.FindControl(L"closebtn")->Pos().left, w.FindControl(L"minbtn")->Pos().left);
  EXPECT_TRUE(w.Manager().InCaption(300, 10));
  // Every image the skin names is in the archive.
  for (Control* c : w.Manager().AllControls()) {
    std::vector<std::string> images = {c->BkImage()};
    if (auto* b = dynamic_cast<Button*>(c)) images.insert(images.end(), {b->NormalImage(), b->HotImage()});
    if (auto* p = dynamic_cast<Progress*>(c)) images.push_back(p->ForeImage());
    for (const std::string& text : images) {
      if (const auto image = ParseImageDescription(text)) {
        EXPECT_NE(w.FindSkinFile(image->file), nullptr) << text;
      }
    }
  }
}

TEST_F(RealSkins, MessageAndTipWindows) {
  const struct {
    const wchar_t* file;
    Size size;
    std::initializer_list<Named> controls;
    std::initializer_list<const wchar_t*> absent;
  } windows[] = {
      {L"MessageBox1Wnd.xml", {360, 170},
       {{L"captionLbl", nullptr, 0, 0}, {L"textLbl", nullptr, 0, 0}, {L"okBtn", L"Button", 100, 34},
        {L"closebtn", L"Button", 0, 0}},
       {L"cancelBtn"}},
      {L"MessageBox2Wnd.xml", {360, 150},
       {{L"captionLbl", nullptr, 0, 0}, {L"textLbl", nullptr, 0, 0}, {L"closebtn", L"Button", 0, 0}},
       {L"okBtn", L"cancelBtn"}},
      {L"NetworkTipWnd.xml", {400, 180}, {{L"okBtn", L"Button", 104, 34}, {L"closebtn", L"Button", 0, 0}}, {L"cancelBtn"}},
      {L"ExitTipWnd.xml", {400, 180},
       {{L"okBtn", L"Button", 100, 30}, {L"cancelBtn", L"Button", 100, 30}, {L"closebtn", L"Button", 0, 0}}, {}},
      {L"InstalledPathTipWnd.xml", {400, 180},
       {{L"okBtn", L"Button", 132, 34}, {L"cancelBtn", L"Button", 132, 34}, {L"closebtn", L"Button", 0, 0}}, {}},
  };
  for (const auto& expected : windows) {
    SCOPED_TRACE(Utils::ToNarrow(expected.file, Utils::kCodePageUtf8));
    RealSkinWindow w(expected.file);
    ASSERT_TRUE(w.Create(nullptr, L"box")) << "found without regard to letter case";
    ExpectWindow(w, expected.size, 30);
    ExpectControls(w, expected.controls);
    for (const wchar_t* name : expected.absent) EXPECT_EQ(w.FindControl(name), nullptr);
  }
  RealSkinWindow one(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(one.Create(nullptr, L"box"));
  auto* ok = dynamic_cast<Button*>(one.FindControl(L"okBtn"));
  EXPECT_EQ(ok->Text(), L"知道了");
  EXPECT_EQ(ok->TextColor(), 0xFFFFFFFFu);
  // The button's blue and its state colours are drawn as rounded images.
  EXPECT_NE(ok->NormalImage(), ok->HotImage());
  for (const std::string& image : {ok->NormalImage(), ok->HotImage()}) {
    ASSERT_TRUE(ParseImageDescription(image));
    EXPECT_NE(one.FindSkinFile(ParseImageDescription(image)->file), nullptr) << image;
  }
  EXPECT_EQ(one.FindControl(L"captionLbl")->Text(), L"CAPTION");
  EXPECT_EQ(one.FindControl(L"textLbl")->Text(), L"TEXT");

  RealSkinWindow installed(L"InstalledPathTipWnd.xml");
  ASSERT_TRUE(installed.Create(nullptr, L"box"));
  installed.Manager().Layout();
  EXPECT_LT(installed.FindControl(L"cancelBtn")->Pos().left, installed.FindControl(L"okBtn")->Pos().left)
      << "重新安装 left of 原路径覆盖安装";
}
