// The main window of the real skin on the headless platform for one test: a shell that
// records what would open and answers the folder browser, message windows answered by a
// script and recorded with their texts, the installation records and the configuration to
// the test, and the stand-in servers.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "skin/skin_resource.h"
#include "startup/installer_config.h"
#include "tests/support/record_sandbox.h"
#include "tests/support/server_test.h"
#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "toolkit/headless_platform.h"
#include "toolkit/window_messages.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/shell.h"
#include "utils/text.h"

namespace uitest {

class RecordingShell : public ui::Shell {
 public:
  struct Opened {
    std::wstring target;
    std::wstring folder;
    ui::ShowMode mode;
  };
  void Open(const std::wstring& target, const std::wstring& folder, ui::ShowMode mode) override {
    opened.push_back({target, folder, mode});
  }
  std::optional<std::wstring> ChooseFolder(SkinUI::SkinWindow&, const std::wstring& title) override {
    browserTitles.push_back(title);
    return folderAnswer;
  }
  std::vector<Opened> opened;
  std::vector<std::wstring> browserTitles;
  std::optional<std::wstring> folderAnswer;
};

// A message window as it was shown: its skin, caption and text.
struct Shown {
  std::wstring skin;
  std::wstring caption;
  std::wstring text;
};

// The main window, its pipeline's starts counted; the pipeline itself runs only when asked
// (tests that feed the window its events themselves leave it idle).
class TestMainWnd : public CMainWnd {
 public:
  bool realPipeline = false;
  int starts = 0;

 protected:
  void StartPipeline() override {
    ++starts;
    if (realPipeline) CMainWnd::StartPipeline();
  }
};

// How the script answers a message window: a control to click, or the system's close
// request (Alt+F4).
inline constexpr const wchar_t* kAltF4 = L"<Alt+F4>";

class MainWindowTest : public testsupport::ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    savedConfig_ = g_InstallerConfig;
    g_InstallerConfig.IsCheckNet = false;
    g_InstallerConfig.IsEnableAppAnalytics = false;
    g_InstallerConfig.InsNew = false;
    g_InstallerConfig.DownloadScale = 0.7;
    g_InstallerConfig.DownloadUrl = server_.Url(L"/redirect/ver1/tavelo/ui/1.0/installer/123456");
    ASSERT_TRUE(records_.SetAppData(records_.AppData()));
    SkinUI::SetPlatform(&platform_);
    SkinUI::SetResourceLoader([](int, int id) { return SkinResource(id); });
    ui::SetShell(&shell_);
    platform_.SetResponder([this](SkinUI::SkinWindow& window) { Answer(window); });
  }
  void TearDown() override {
    window_.reset();
    ui::SetShell(nullptr);
    SkinUI::SetResourceLoader({});
    SkinUI::SetPlatform(nullptr);
    g_InstallerConfig = savedConfig_;
    ServerTest::TearDown();
  }

  // Makes the main window; its initialisation runs (and the windows it shows are answered).
  TestMainWnd& Open(CMainWnd::NetworkCheck check = [] { return 0u; }, bool realPipeline = false) {
    window_ = std::make_unique<TestMainWnd>();
    window_->realPipeline = realPipeline;
    window_->SetNetworkCheck(std::move(check));
    EXPECT_TRUE(window_->Create(nullptr, L"Quorrin"));
    return *window_;
  }
  TestMainWnd& Window() { return *window_; }
  bool IsOpen() const { return window_ && platform_.IsOpen(*window_); }

  template <class T = SkinUI::Control>
  T* Find(const wchar_t* name) {
    return dynamic_cast<T*>(window_->FindControl(name));
  }
  bool Ticked(const wchar_t* name) { return Find<SkinUI::Option>(name)->IsSelected(); }
  std::wstring Text(const wchar_t* name) { return Find(name)->Text(); }
  int Bar() { return Find<SkinUI::Progress>(L"installPrg")->Value(); }

  // Delivers what the window's thread has been posted, until nothing is left.
  void Deliver() {
    for (int i = 0; i < 100 && platform_.DeliverPosted() != 0; ++i) {
    }
  }
  // One pipeline event as the window receives it.
  void Event(int code, double value = 0, const std::wstring& text = L"") { window_->HandleRunEvent({code, value, text}); }
  // Delivers posted work until the condition holds or the time is up.
  bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(120)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      platform_.WaitAndDeliver(std::chrono::milliseconds(50));
    }
    return true;
  }

  // Message windows: answers by skin file (default: its close button), and those shown.
  std::map<std::wstring, std::wstring> answers_;
  std::vector<Shown> shown_;

  SkinUI::HeadlessPlatform platform_;
  RecordingShell shell_;
  testsupport::RecordSandbox records_;

 private:
  void Answer(SkinUI::SkinWindow& window) {
    if (&window == window_.get()) return;
    const auto text = [&](const wchar_t* name) {
      const SkinUI::Control* control = window.FindControl(name);
      return control != nullptr ? control->Text() : std::wstring(L"<none>");
    };
    shown_.push_back({window.GetSkinFile(), text(L"captionLbl"), text(L"textLbl")});
    const auto answer = answers_.find(window.GetSkinFile());
    const std::wstring action = answer != answers_.end() ? answer->second : L"closebtn";
    if (action == kAltF4) platform_.DeliverMessage(window, SkinUI::kMessageClose, 0, 0);
    else EXPECT_TRUE(window.Click(action)) << "no " << action.size() << "-character control to click";
  }

  InstallerConfig savedConfig_;
  std::unique_ptr<TestMainWnd> window_;
};

}  // namespace uitest
