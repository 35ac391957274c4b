// The Win32 host with real windows of the real skin: the modal loop with timers, notifications
// posted from another thread, custom messages, the message filter, close requests and the
// quit message; the owner disabled while a window is modal; the window as the skin makes it;
// text measurement with an unknown face; the native edit box kept in step with its control.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "skin/skin_resource.h"
#include "toolkit/controls.h"
#include "toolkit/containers.h"
#include "toolkit/native_host_win32.h"
#include "toolkit/skin_window.h"

using namespace SkinUI;

namespace {

constexpr UINT kRunEvent = 2024;  // a message of the window's own

// A window of the real skin whose hooks a test fills in; it keeps what reached it.
class HostedWindow : public SkinWindow {
 public:
  explicit HostedWindow(std::wstring file) : file_(std::move(file)) {}
  std::wstring GetSkinFile() const override { return file_; }
  int GetResourceID() const override { return kSkinResourceId; }
  std::wstring GetWindowClassName() const override { return file_.substr(0, file_.rfind(L'.')); }

  void Notify(const SkinUI::Notify& notify) override {
    seen.push_back(notify.type);
    if (onNotify) onNotify(notify);
  }
  bool MessageFilter(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
    return filter && filter(message, wParam, lParam);
  }
  bool HandleCustomMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
    return custom && custom(message, wParam, lParam);
  }
  HWND Handle() const { return static_cast<NativeHost*>(Host())->Handle(); }

  std::vector<std::wstring> seen;
  std::function<void(const SkinUI::Notify&)> onNotify;
  std::function<bool(unsigned, std::uintptr_t, std::intptr_t)> filter, custom;

 private:
  std::wstring file_;
};

class NativeHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetResourceLoader([](int, int id) { return SkinResource(id); });
  }
  void TearDown() override { SetResourceLoader({}); }

  // Starts a timer on the window's first control that runs step once, soon after the
  // modal loop has begun.
  static void Soon(HostedWindow& window, std::function<void()> step) {
    Control* root = window.Manager().Root();
    window.onNotify = [&window, root, step](const SkinUI::Notify& n) {
      if (n.type != L"timer" || n.sender != root) return;
      window.Manager().KillTimer(root, 1);
      step();
    };
    ASSERT_TRUE(window.Manager().SetTimer(root, 1, 30));
  }
};

}  // namespace

TEST_F(NativeHostTest, TheWindowIsTheSkinsBorderlessWindowOfItsOwnClass) {
  HostedWindow w(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
  wchar_t className[64] = {};
  GetClassNameW(w.Handle(), className, 64);
  EXPECT_STREQ(className, L"MessageBox1Wnd");
  RECT client{};
  GetClientRect(w.Handle(), &client);
  EXPECT_EQ(client.right, 360);
  EXPECT_EQ(client.bottom, 170);
  EXPECT_EQ(GetWindowLongW(w.Handle(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);
  RECT region{};
  EXPECT_NE(GetWindowRgnBox(w.Handle(), &region), ERROR) << "roundcorner gives the window a region";
  EXPECT_FALSE(IsWindowVisible(w.Handle())) << "hidden until shown";
}

TEST_F(NativeHostTest, TheModalLoopDeliversTimersPostedNotificationsAndCustomMessages) {
  HostedWindow w(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
  Control* text = w.FindControl(L"textLbl");
  std::thread worker;
  Soon(w, [&] {
    worker = std::thread([&] { w.Manager().PostNotify(text, L"fromworker", 5); });
  });
  auto timerStep = w.onNotify;
  w.onNotify = [&](const SkinUI::Notify& n) {
    timerStep(n);
    if (n.type == L"fromworker") PostMessageW(w.Handle(), kRunEvent, n.wParam, 0);
  };
  w.custom = [&](unsigned message, std::uintptr_t wParam, std::intptr_t) {
    if (message != kRunEvent) return false;
    w.Close(static_cast<int>(wParam) + 40);
    return true;
  };
  EXPECT_EQ(w.ShowModal(), 45);
  worker.join();
  EXPECT_EQ(w.seen, (std::vector<std::wstring>{L"timer", L"fromworker"}));
  EXPECT_FALSE(w.IsOpen());
}

TEST_F(NativeHostTest, TheFilterSeesQueuedMessagesFirstAndCloseRequestsCarryTheirValue) {
  // result: what ShowModal returns after the window's own close rule dropped the first request.
  const struct {
    WPARAM value;
    int result;
  } cases[] = {{3, 3}, {0, 1}};  // the system's close (Alt+F4) carries 0: the default 1
  for (const auto& c : cases) {
    HostedWindow w(L"MessageBox1Wnd.xml");
    ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
    std::vector<UINT> filtered;
    int closeRequests = 0;
    w.filter = [&](unsigned message, std::uintptr_t wParam, std::intptr_t) {
      if (message != WM_KEYDOWN || wParam != VK_ESCAPE) return false;
      filtered.push_back(message);
      return true;
    };
    w.custom = [&](unsigned message, std::uintptr_t, std::intptr_t) {
      return message == WM_CLOSE && ++closeRequests == 1;  // keeps itself open the first time
    };
    Soon(w, [&] {
      PostMessageW(w.Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
      PostMessageW(w.Handle(), WM_CLOSE, c.value, 0);
      PostMessageW(w.Handle(), WM_CLOSE, c.value, 0);
    });
    EXPECT_EQ(w.ShowModal(), c.result);
    EXPECT_EQ(filtered, (std::vector<UINT>{WM_KEYDOWN}));
    EXPECT_EQ(closeRequests, 2);
  }
}

TEST_F(NativeHostTest, AQuitMessageLeavesTheLoopAndIsPostedAgain) {
  HostedWindow w(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
  Soon(w, [] { PostQuitMessage(9); });
  w.ShowModal();
  MSG quit{};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 9u);
}

TEST_F(NativeHostTest, AModalWindowDisablesItsOwnerUntilItCloses) {
  HostedWindow owner(L"MessageBox2Wnd.xml");
  ASSERT_TRUE(owner.Create(nullptr, L"Quorrin"));
  HostedWindow modal(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(modal.Create(&owner, L"Quorrin"));
  EXPECT_EQ(GetWindow(modal.Handle(), GW_OWNER), owner.Handle());
  BOOL ownerEnabledWhileModal = TRUE;
  Soon(modal, [&] {
    ownerEnabledWhileModal = IsWindowEnabled(owner.Handle());
    modal.Close(0);
  });
  EXPECT_EQ(modal.ShowModal(), 0);
  EXPECT_FALSE(ownerEnabledWhileModal);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST_F(NativeHostTest, TextWidthsFollowTheTextAndAnUnknownFaceStillMeasures) {
  HostedWindow w(L"MessageBox1Wnd.xml");
  ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
  FontInfo font;
  font.size = 14;
  for (const wchar_t* face : {L"微软雅黑", L"No Such Face"}) {
    font.name = face;
    const int one = w.Host()->MeasureTextWidth(L"安装", font);
    const int two = w.Host()->MeasureTextWidth(L"安装安装", font);
    EXPECT_GT(one, 14) << face;
    EXPECT_GT(two, one + 14) << face;
  }
  font.size = 28;
  EXPECT_GT(w.Host()->MeasureTextWidth(L"Quorrin", font), w.Manager().MeasureTextWidth(L"Quorrin", 0));
}

TEST_F(NativeHostTest, TheNativeEditBoxFollowsItsControlBothWays) {
  HostedWindow w(L"MainWnd.xml");
  ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
  auto* pages = dynamic_cast<TabLayout*>(w.FindControl(L"mainTabLt"));
  auto* edit = dynamic_cast<Edit*>(w.FindControl(L"installDirEdit"));
  ASSERT_TRUE(pages != nullptr && edit != nullptr);
  pages->SelectItem(1);
  edit->SetText(L"C:\\Tavelo");
  std::wstring shown;
  HWND box = nullptr;
  Soon(w, [&] {
    UpdateWindow(w.Handle());  // paints, which brings the box in step
    box = FindWindowExW(w.Handle(), nullptr, L"Edit", nullptr);
    wchar_t text[64] = {};
    GetWindowTextW(box, text, 64);
    shown = text;
    SetWindowTextW(box, L"D:\\Apps");  // as the user's typing changes it
    w.Close(0);
  });
  w.ShowModal();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(shown, L"C:\\Tavelo");
  EXPECT_EQ(edit->Text(), L"D:\\Apps");
  EXPECT_EQ(w.seen.back(), L"textchanged");
}
