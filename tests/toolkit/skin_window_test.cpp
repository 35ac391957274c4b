// Skinned windows on the headless platform, with skins from an archive built from
// tests/toolkit/skins: loading and the error box, clicks and the notifications of each
// control kind, timers, notifications posted from another thread, modal windows and texts
// from the language table.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "toolkit/headless_platform.h"
#include "toolkit/language_table.h"
#include "toolkit/skin_window.h"
#include "utils/folders.h"

using namespace SkinUI;
using namespace std::chrono_literals;

namespace {

constexpr int kTestResource = 7;

std::vector<unsigned char> FixtureArchive() {
  const std::filesystem::path path =
      std::filesystem::path(Utils::DirectoryOf(Utils::GetExecutablePath())) / TAVELO_TOOLKIT_TEST_SKIN;
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A window of the test skins; okBtn closes it with 0, cancelBtn with 1. It keeps every
// notification it receives.
class TestWindow : public SkinWindow {
 public:
  explicit TestWindow(std::wstring file = L"testwnd.XML") : file_(std::move(file)) {}
  std::wstring GetSkinFile() const override { return file_; }
  int GetResourceID() const override { return kTestResource; }
  std::wstring GetWindowClassName() const override { return L"TestWnd"; }

  void Notify(const SkinUI::Notify& notify) override {
    seen.push_back(notify);
    if (onNotify) onNotify(notify);
    SkinWindow::Notify(notify);
  }
  void OnClick(const SkinUI::Notify& notify) override {
    if (notify.sender->Name() == L"okBtn") Close(0);
    else if (notify.sender->Name() == L"cancelBtn") Close(1);
    else SkinWindow::OnClick(notify);
  }
  // type:sender for each notification seen.
  std::vector<std::wstring> Seen() const {
    std::vector<std::wstring> all;
    for (const auto& n : seen) all.push_back(n.type + L":" + (n.sender ? n.sender->Name() : L""));
    return all;
  }

  std::vector<SkinUI::Notify> seen;
  std::function<void(const SkinUI::Notify&)> onNotify;

 private:
  std::wstring file_;
};

class SkinWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    archive_ = FixtureArchive();
    ASSERT_FALSE(archive_.empty()) << "the fixture archive was not built";
    SetPlatform(&platform_);
    SetResourceLoader([this](int type, int id) {
      return type == 4 && id == kTestResource ? std::span<const unsigned char>(archive_) : std::span<const unsigned char>();
    });
  }
  void TearDown() override {
    SetResourceLoader({});
    SetPlatform(nullptr);
    ClearLanguageTexts();
  }

  template <typename T>
  T* Find(TestWindow& w, const wchar_t* name) {
    return dynamic_cast<T*>(w.FindControl(name));
  }

  HeadlessPlatform platform_;
  std::vector<unsigned char> archive_;
};

}  // namespace

TEST_F(SkinWindowTest, SkinsThatCannotBeLoadedShowTheErrorBoxAndMakeNoWindow) {
  for (const wchar_t* file : {L"MissingWnd.xml", L"BrokenWnd.xml"}) {
    TestWindow w(file);
    EXPECT_FALSE(w.Create(nullptr, L"Quorrin"));
    EXPECT_FALSE(w.IsOpen());
  }
  SetResourceLoader([](int, int) { return std::span<const unsigned char>(); });
  TestWindow noArchive;
  EXPECT_FALSE(noArchive.Create(nullptr, L"Quorrin"));
  EXPECT_EQ(platform_.Errors(), (std::vector<std::wstring>(3, kSkinLoadError)));
  EXPECT_TRUE(platform_.OpenWindows().empty());
  EXPECT_EQ(noArchive.ShowModal(), 1) << "a window that was never made returns at once";
}

TEST_F(SkinWindowTest, ControlsSendTheirNotifications) {
  TestWindow w;
  ASSERT_TRUE(w.Create(nullptr, L"Quorrin"));
  EXPECT_EQ(platform_.Titles(), (std::vector<std::wstring>{L"Quorrin"}));

  EXPECT_TRUE(w.Click(L"groupB"));
  EXPECT_FALSE(Find<Option>(w, L"groupA")->IsSelected()) << "options of a group exclude each other";
  EXPECT_TRUE(w.Click(L"check"));
  EXPECT_TRUE(Find<Option>(w, L"check")->IsSelected());
  Find<Option>(w, L"check")->Selected(false, false);
  EXPECT_FALSE(Find<Option>(w, L"check")->IsSelected());
  EXPECT_EQ(w.Seen(), (std::vector<std::wstring>{L"click:groupB", L"selectchanged:groupA", L"selectchanged:groupB",
                                                  L"click:check", L"selectchanged:check"}));

  w.seen.clear();
  auto* tabs = Find<TabLayout>(w, L"tabs");
  EXPECT_TRUE(tabs->SelectItem(1));
  EXPECT_FALSE(tabs->SelectItem(2));
  auto* combo = Find<Combo>(w, L"combo");
  EXPECT_TRUE(combo->SelectItem(1));
  EXPECT_EQ(combo->Text(), L"中文");
  Find<Edit>(w, L"edit")->TypeText(L"C:\\Program Files");
  EXPECT_EQ(w.FindControl(L"edit")->Text(), L"C:\\Progr") << "cut to maxchar";
  ASSERT_EQ(w.seen.size(), 3u);
  EXPECT_EQ(w.Seen()[0], L"tabselect:tabs");
  EXPECT_EQ(w.seen[0].wParam, 1u);
  EXPECT_EQ(w.seen[0].lParam, 0);
  EXPECT_EQ(w.Seen()[1], L"itemselect:combo");
  EXPECT_EQ(w.seen[1].wParam, 1u);
  EXPECT_EQ(w.seen[1].lParam, -1);
  EXPECT_EQ(w.Seen()[2], L"textchanged:edit");
  w.Manager().Layout();
  EXPECT_FALSE(w.FindControl(L"first")->IsVisible());
  EXPECT_TRUE(w.FindControl(L"second")->IsVisible());

  w.seen.clear();
  w.FindControl(L"okBtn")->SetEnabled(false);
  EXPECT_FALSE(w.Click(L"okBtn")) << "a disabled button sends nothing";
  w.FindControl(L"cancelBtn")->SetVisible(false);
  EXPECT_FALSE(w.Click(L"cancelBtn")) << "a hidden button sends nothing";
  EXPECT_FALSE(w.Click(L"nothing"));
  EXPECT_TRUE(w.seen.empty());

  EXPECT_TRUE(w.Click(L"minbtn"));
  EXPECT_TRUE(platform_.IsMinimized(w));
  EXPECT_TRUE(w.Click(L"closebtn"));
  EXPECT_FALSE(w.IsOpen());
  EXPECT_TRUE(platform_.OpenWindows().empty());
}

TEST_F(SkinWindowTest, TimersArriveAsNotificationsUntilKilled) {
  TestWindow w;
  ASSERT_TRUE(w.Create(nullptr, L"t"));
  Control* label = w.FindControl(L"first");
  Control* other = w.FindControl(L"second");
  ASSERT_TRUE(w.Manager().SetTimer(label, 2100, 30));
  ASSERT_TRUE(w.Manager().SetTimer(other, 7, 100));
  platform_.AdvanceTime(100ms);
  EXPECT_EQ(w.Seen(), (std::vector<std::wstring>{L"timer:first", L"timer:first", L"timer:first", L"timer:second"}));
  EXPECT_EQ(w.seen[0].wParam, 2100u);
  EXPECT_EQ(w.seen[3].wParam, 7u);

  w.seen.clear();
  EXPECT_TRUE(w.Manager().KillTimer(label, 2100));
  EXPECT_FALSE(w.Manager().KillTimer(label, 2100));
  platform_.AdvanceTime(100ms);
  EXPECT_EQ(w.Seen(), (std::vector<std::wstring>{L"timer:second"}));
  w.Close();
  EXPECT_TRUE(platform_.TimersOf(other).empty()) << "a closed window's timers stop";
}

TEST_F(SkinWindowTest, NotificationsPostedFromAnotherThreadArriveInOrder) {
  TestWindow w;
  ASSERT_TRUE(w.Create(nullptr, L"t"));
  Control* ok = w.FindControl(L"okBtn");
  std::thread worker([&] {
    for (int i = 0; i < 200; ++i) w.Manager().PostNotify(ok, L"install", static_cast<std::uintptr_t>(i));
  });
  std::size_t delivered = 0;
  for (int round = 0; round < 100 && delivered < 200; ++round) delivered += platform_.WaitAndDeliver(100ms);
  worker.join();
  delivered += platform_.DeliverPosted();
  ASSERT_EQ(delivered, 200u);
  ASSERT_EQ(w.seen.size(), 200u);
  for (std::size_t i = 0; i < w.seen.size(); ++i) EXPECT_EQ(w.seen[i].wParam, i);

  Label stranger;  // never part of the window
  w.Manager().PostNotify(&stranger, L"install");
  EXPECT_EQ(platform_.DeliverPosted(), 0u) << "a sender outside the window is dropped";
}

TEST_F(SkinWindowTest, ModalWindowsReturnTheirResultAndKeepTheOwnerServed) {
  TestWindow owner;
  ASSERT_TRUE(owner.Create(nullptr, L"Quorrin"));

  TestWindow box;
  ASSERT_TRUE(box.Create(&owner, L"box"));
  platform_.SetResponder([](SkinWindow& shown) { shown.Click(L"okBtn"); });
  EXPECT_EQ(box.ShowModal(), 0);
  EXPECT_FALSE(box.IsOpen());

  // The box stays open until a notification posted by a worker reaches the owner, whose
  // handler closes the box.
  TestWindow waiting;
  ASSERT_TRUE(waiting.Create(&owner, L"waiting"));
  owner.onNotify = [&](const SkinUI::Notify& n) {
    if (n.type == L"checknet") waiting.Close(2);
  };
  int answered = 0;
  platform_.SetResponder([&](SkinWindow&) { ++answered; });
  std::thread worker([&] {
    std::this_thread::sleep_for(50ms);
    owner.Manager().PostNotify(nullptr, L"checknet");
  });
  EXPECT_EQ(waiting.ShowModal(), 2);
  worker.join();
  EXPECT_GE(answered, 1);

  TestWindow unanswered;
  ASSERT_TRUE(unanswered.Create(&owner, L"unanswered"));
  platform_.SetResponder({});
  EXPECT_EQ(unanswered.ShowModal(), HeadlessPlatform::kUnanswered);
  EXPECT_TRUE(owner.IsOpen());
}

TEST_F(SkinWindowTest, TextsComeFromTheLanguageTableAndAreMeasured) {
  TestWindow w;
  ASSERT_TRUE(w.Create(nullptr, L"t"));
  Control* first = w.FindControl(L"first");
  EXPECT_EQ(first->Text(), L"%[101]");
  EXPECT_EQ(first->DisplayText(), L"") << "no text registered yet";
  SetLanguageText(L"101", L"安装路径：");
  w.Manager().RefreshTexts();
  EXPECT_EQ(first->DisplayText(), L"安装路径：");
  SetLanguageText(L"101", L"Install folder:");
  EXPECT_EQ(first->DisplayText(), L"Install folder:");
  EXPECT_EQ(GetLanguageText(L"104"), L"");

  EXPECT_EQ(w.FindControl(L"captionLbl")->DisplayText(), L"CAPTION") << "plain texts are their own";
  const int narrow = w.Manager().MeasureTextWidth(L"Quorrin", 0);
  EXPECT_GT(narrow, 0);
  EXPECT_GT(w.Manager().MeasureTextWidth(L"Quorrin Quorrin", 0), narrow);
  EXPECT_GT(w.Manager().MeasureTextWidth(L"%[101]", 0), 0) << "a reference is measured as its text";
}
