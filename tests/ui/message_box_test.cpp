// The message and tip windows of the real skin on the headless platform: the result of each
// way of closing them, the texts given or the skin's own, Escape, and a skin that is missing.
#include <gtest/gtest.h>

#include "skin/skin_resource.h"
#include "toolkit/headless_platform.h"
#include "toolkit/window_messages.h"
#include "ui/message_box.h"

namespace {

class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SkinUI::SetPlatform(&platform_);
    SkinUI::SetResourceLoader([](int, int id) { return SkinResource(id); });
  }
  void TearDown() override {
    SkinUI::SetResourceLoader({});
    SkinUI::SetPlatform(nullptr);
  }
  SkinUI::HeadlessPlatform platform_;
};

TEST_F(MessageBoxTest, EachWayOfClosingGivesItsResult) {
  const struct {
    const wchar_t* skin;
    const wchar_t* action;  // a control to click, or "" for the system's close request
    int result;
  } cases[] = {
      {kNoticeSkin, L"okBtn", kMessageOk},
      {kNoticeSkin, L"closebtn", kMessageOther},
      {kNoticeSkin, L"", kMessageCancel},
      {kPlainNoticeSkin, L"closebtn", kMessageOther},
      {kNetworkTipSkin, L"okBtn", kMessageOk},
      {kExitTipSkin, L"okBtn", kMessageOk},
      {kExitTipSkin, L"cancelBtn", kMessageCancel},
      {kExitTipSkin, L"closebtn", kMessageOther},
      {kInstalledPathTipSkin, L"cancelBtn", kMessageCancel},
      {kInstalledPathTipSkin, L"", kMessageCancel},  // Alt+F4: as its cancelBtn
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.skin[0]) << c.result);
    std::vector<std::wstring> classes;
    platform_.SetResponder([&](SkinUI::SkinWindow& window) {
      classes.push_back(window.GetWindowClassName());
      // Escape first: it never closes a message window.
      platform_.DeliverMessage(window, SkinUI::kMessageKeyDown, SkinUI::kKeyEscape, 0);
      ASSERT_TRUE(platform_.IsOpen(window));
      if (*c.action == L'\0') platform_.DeliverMessage(window, SkinUI::kMessageClose, 0, 0);
      else ASSERT_TRUE(window.Click(c.action));
    });
    EXPECT_EQ(ShowMessageWindow(nullptr, c.skin), c.result);
    ASSERT_EQ(classes.size(), 1u);
    const std::wstring file = c.skin;
    EXPECT_EQ(classes[0], file.substr(0, file.find(L'.')));
  }
  EXPECT_EQ(platform_.Titles().back(), L"消息框");
}

TEST_F(MessageBoxTest, TextsGivenReplaceTheSkinsOwnAndOnlyThose) {
  std::wstring caption, text;
  platform_.SetResponder([&](SkinUI::SkinWindow& window) {
    caption = window.FindControl(L"captionLbl")->Text();
    text = window.FindControl(L"textLbl")->Text();
    window.Click(L"okBtn");
  });
  ShowMessageWindow(nullptr, kNoticeSkin);
  EXPECT_EQ(caption, L"CAPTION");
  EXPECT_EQ(text, L"TEXT");
  ShowMessageWindow(nullptr, kNoticeSkin, std::wstring(L"正文"), std::wstring(L"温馨提示"));
  EXPECT_EQ(caption, L"温馨提示");
  EXPECT_EQ(text, L"正文");
  ShowMessageWindow(nullptr, kNoticeSkin, std::wstring(L"只有正文"));
  EXPECT_EQ(caption, L"CAPTION");
  EXPECT_EQ(text, L"只有正文");
}

TEST_F(MessageBoxTest, ASkinThatCannotBeLoadedAnswersCancelAfterTheErrorBox) {
  EXPECT_EQ(ShowMessageWindow(nullptr, L"NoSuchWnd.xml"), kMessageCancel);
  ASSERT_EQ(platform_.Errors().size(), 1u);
  EXPECT_EQ(platform_.Errors()[0], L"加载资源文件失败");
}

}  // namespace
