// The image-sequence controls on the headless platform, with the skin packed from
// tests/ui/sequence_skin: the frame names a pattern gives, the skin attributes and defaults,
// the frames shown on each timer event for every way through a sequence, start, autostart
// and stop, counts below the minimum, the pushed button's text area, and the main window's
// page rules.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "startup/installer_config.h"
#include "tests/support/record_sandbox.h"
#include "toolkit/containers.h"
#include "toolkit/headless_platform.h"
#include "toolkit/skin_window.h"
#include "ui/main_window.h"
#include "ui/sequence_controls.h"
#include "utils/folders.h"
#include "utils/text.h"

using namespace std::chrono_literals;
using ui::kSequenceTimer;

namespace {

std::vector<unsigned char> SequenceSkin() {
  const std::filesystem::path path =
      std::filesystem::path(Utils::DirectoryOf(Utils::GetExecutablePath())) / TAVELO_SEQUENCE_TEST_SKIN;
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Narrow(const std::wstring& text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }
std::wstring Wide(const std::string& text) { return Utils::ToWide(text, Utils::kCodePageUtf8); }

// The image of each frame number in the test skin's pattern.
std::vector<std::string> Frames(const std::vector<int>& numbers) {
  std::vector<std::string> names;
  for (const int n : numbers) names.push_back("frames/" + std::to_string(n) + ".png");
  return names;
}

// Start, Stop and the state of either control, through its own class.
template <class F>
auto WithSequence(SkinUI::Control& control, F f) {
  if (auto* label = dynamic_cast<CSequenceLabel*>(&control)) return f(*label);
  return f(dynamic_cast<CSequenceButton&>(control));
}

// A window of SequenceWnd.xml that keeps, by control, the background image it shows after
// each of its timer events (its handler runs before the window hears of the event).
class SequenceWindow : public SkinUI::SkinWindow {
 public:
  std::wstring GetSkinFile() const override { return L"SequenceWnd.xml"; }
  std::wstring GetWindowClassName() const override { return L"SequenceWnd"; }
  std::unique_ptr<SkinUI::Control> CreateControl(std::wstring_view tag) override {
    return ui::CreateSequenceControl(tag);
  }
  void Notify(const SkinUI::Notify& notify) override {
    if (notify.type == L"timer" && notify.sender != nullptr) {
      shown[notify.sender->Name()].push_back(notify.sender->BkImage());
    }
    SkinWindow::Notify(notify);
  }

  std::map<std::wstring, std::vector<std::string>> shown;
};

class SequenceControls : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_ = SequenceSkin();
    ASSERT_FALSE(skin_.empty()) << "the test skin was not packed";
    SkinUI::SetPlatform(&platform_);
    SkinUI::SetResourceLoader([this](int type, int) {
      return type == 4 ? std::span<const unsigned char>(skin_) : std::span<const unsigned char>();
    });
  }
  void TearDown() override {
    window_.reset();
    SkinUI::SetResourceLoader({});
    SkinUI::SetPlatform(nullptr);
  }

  SequenceWindow& Open() {
    window_ = std::make_unique<SequenceWindow>();
    EXPECT_TRUE(window_->Create(nullptr, L"Quorrin"));
    return *window_;
  }
  SkinUI::Control& Find(const wchar_t* name) {
    SkinUI::Control* control = window_->FindControl(name);
    if (control == nullptr) throw std::runtime_error("the test skin has no " + Narrow(name));
    return *control;
  }
  // Moves the clock by the test skin's interval, count times.
  void Tick(int count) {
    for (int i = 0; i < count; ++i) platform_.AdvanceTime(10ms);
  }
  std::map<unsigned, unsigned> Timers(const SkinUI::Control& control) const { return platform_.TimersOf(&control); }

  SkinUI::HeadlessPlatform platform_;
  std::unique_ptr<SequenceWindow> window_;

 private:
  std::vector<unsigned char> skin_;
};

TEST(SequenceFrameName, APatternWithOneIntegerConversionFormatsTheFrameAsPrintfWould) {
  const struct {
    const wchar_t* pattern;
    std::uint32_t frame;
    const wchar_t* name;
  } cases[] = {
      {L"res\\mainWnd\\progressAnimate\\%.3d.png", 5, L"res\\mainWnd\\progressAnimate\\005.png"},
      {L"frames/%d.png", 12, L"frames/12.png"},
      {L"%i", 42, L"42"},
      {L"%03d", 7, L"007"},
      {L"%5d|", 42, L"   42|"},
      {L"%-5d|", 42, L"42   |"},
      {L"%+d", 3, L"+3"},
      {L"% d", 3, L" 3"},
      {L"%08.3d", 5, L"     005"},  // a precision turns the zero flag off
      {L"a%.0db", 0, L"ab"},         // precision 0 writes no digit for 0
      {L"%x", 255, L"ff"},
      {L"%#X", 255, L"0XFF"},
      {L"%#o", 8, L"010"},
      {L"%#x", 0, L"0"},
      {L"100%%_%d", 2, L"100%_2"},
      {L"%%d=%d", 1, L"%d=1"},
      // Below zero and past the top: %d and %i read the frame as signed, the others not.
      {L"%d", 0xFFFFFFFFu, L"-1"},
      {L"%.3d", 0xFFFFFFFEu, L"-002"},
      {L"%05d", 0xFFFFFFFFu, L"-0001"},
      {L"%d", 0x80000000u, L"-2147483648"},
      {L"%u", 0xFFFFFFFFu, L"4294967295"},
      {L"%x", 0xFFFFFFFFu, L"ffffffff"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::FormatFrameName(c.pattern, c.frame), c.name) << Narrow(c.pattern) << " with " << c.frame;
  }
}

TEST(SequenceFrameName, PatternsWithoutExactlyOneIntegerConversionNameNothing) {
  for (const wchar_t* pattern : {L"", L"frames/1.png", L"100%%", L"%d%d", L"%+d %+d", L"%d/%i.png", L"%s", L"%d%s",
                                 L"%n", L"%d%n", L"%ls", L"%ld", L"%lld", L"%hd", L"%I64d", L"%*d", L"%.*d", L"%c",
                                 L"%f", L"%p", L"%", L"frame%", L"%5", L"%-"}) {
    EXPECT_EQ(ui::FormatFrameName(pattern, 1), L"") << Narrow(pattern);
  }
}

TEST(SequenceFrameName, NamesAreCutToTheBuffer) {
  const std::size_t longest = ui::kFrameNameCapacity - 1;
  const std::wstring prefix(300, L'a');
  EXPECT_EQ(ui::FormatFrameName(prefix + L"%d", 7), std::wstring(longest, L'a'));
  EXPECT_EQ(ui::FormatFrameName(std::wstring(longest - 1, L'a') + L"%d", 42), std::wstring(longest - 1, L'a') + L"4");
  EXPECT_EQ(ui::FormatFrameName(L"%0300d", 7), std::wstring(longest, L'0'));
  EXPECT_EQ(ui::FormatFrameName(L"%.300d", 7), std::wstring(longest, L'0'));
  // Widths and precisions beyond any buffer cost nothing.
  EXPECT_EQ(ui::FormatFrameName(L"%99999999999999999999999d", 7), std::wstring(longest, L' '));
  EXPECT_EQ(ui::FormatFrameName(L"%-.99999999999999999999d", 7), std::wstring(longest, L'0'));
  EXPECT_EQ(ui::FormatFrameName(L"x%-2147483647d", 7), L"x7" + std::wstring(longest - 2, L' '));
}

TEST(SequenceStep, TheFrameCounterWrapsAsAnUnsigned32BitNumber) {
  ui::SequenceState state;
  state.pattern = L"%d";
  state.count = 0;
  state.frame = 0xFFFFFFFFu;
  const ui::SequenceStep step = ui::StepSequence(state);
  EXPECT_TRUE(step.show);
  EXPECT_FALSE(step.stop);
  EXPECT_EQ(step.frame, 0xFFFFFFFFu);
  EXPECT_EQ(state.frame, 0u);
  ui::SequenceState empty;
  empty.count = 3;
  EXPECT_FALSE(ui::StepSequence(empty).show) << "no pattern: nothing moves";
  EXPECT_EQ(empty.frame, 0u);
}

TEST(SequenceControlClasses, DefaultsAndClassNames) {
  CSequenceLabel label;
  CSequenceButton button;
  const struct {
    SkinUI::Control& control;
    const wchar_t* className;
    std::int32_t interval;
    bool pingPong;
  } cases[] = {{label, L"SequenceLabel", 30, false}, {button, L"SequenceButton", 60, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.className));
    EXPECT_EQ(c.control.ClassName(), c.className);
    const ui::SequenceState& s = WithSequence(c.control, [](auto& control) -> const ui::SequenceState& {
      return control.Sequence();
    });
    EXPECT_EQ(s.pattern, L"");
    EXPECT_EQ(s.count, 0u);
    EXPECT_EQ(s.interval, c.interval);
    EXPECT_FALSE(s.autostart);
    EXPECT_TRUE(s.loop);
    EXPECT_EQ(s.pingPong, c.pingPong);
    EXPECT_TRUE(s.forward);
    EXPECT_EQ(s.frame, 0u);
    EXPECT_FALSE(WithSequence(c.control, [](auto& control) { return control.IsRunning(); }));
  }
  EXPECT_EQ(button.GetPushedTextOffset(), SkinUI::Rect{});
}

TEST(SequenceControlClasses, AttributeNamesAndNumbers) {
  const struct {
    const char* name;
    const char* value;
    bool taken;
    const wchar_t* pattern;
    std::uint32_t count;
    std::int32_t interval;
  } cases[] = {
      {"sequencebkimage", "frames/%d.png", true, L"frames/%d.png", 0, 30},
      {"SequenceBkImage", "frames/%d.png", false, L"", 0, 30},  // compared exactly
      {"SEQUENCEBKIMAGE", "frames/%d.png", false, L"", 0, 30},
      {"sequencecount", "7", true, L"", 7, 30},
      {"SequenceCount", "12", true, L"", 12, 30},
      {"SEQUENCECOUNT", " 3 frames", true, L"", 3, 30},
      {"sequencecount", "-1", true, L"", 0xFFFFFFFFu, 30},
      {"sequencecount", "0x10", true, L"", 0, 30},  // decimal only
      {"sequencespan", "45", true, L"", 0, 45},
      {"SequenceSpan", "-5", true, L"", 0, -5},
      {"sequencespan", "", true, L"", 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    CSequenceLabel label;
    EXPECT_EQ(label.SetAttribute(c.name, c.value), c.taken);
    EXPECT_EQ(label.GetSequencePattern(), c.pattern);
    EXPECT_EQ(label.GetSequenceCount(), c.count);
    EXPECT_EQ(label.GetSequenceSpan(), c.interval);
  }
}

TEST(SequenceControlClasses, OnlyTheExactTextFalseTurnsAFlagOff) {
  const struct {
    const char* name;
    bool ui::SequenceState::*flag;
  } flags[] = {{"sequenceloop", &ui::SequenceState::loop},     {"SequenceLoop", &ui::SequenceState::loop},
               {"autostart", &ui::SequenceState::autostart},   {"AutoStart", &ui::SequenceState::autostart},
               {"sequenceround", &ui::SequenceState::pingPong}, {"SEQUENCEROUND", &ui::SequenceState::pingPong}};
  for (const auto& f : flags) {
    for (const char* value : {"false", "False", "FALSE", "0", "", "true", "no"}) {
      SCOPED_TRACE(std::string(f.name) + "=" + value);
      CSequenceLabel label;
      CSequenceButton button;
      ASSERT_TRUE(label.SetAttribute(f.name, value));
      ASSERT_TRUE(button.SetAttribute(f.name, value));
      const bool expected = std::string_view(value) != "false";
      EXPECT_EQ(label.Sequence().*f.flag, expected);
      EXPECT_EQ(button.Sequence().*f.flag, expected);
    }
  }
}

TEST(SequenceControlClasses, OtherAttributesGoToTheBaseControl) {
  CSequenceLabel label;
  EXPECT_TRUE(label.SetAttribute("bkimage", "still.png"));
  EXPECT_TRUE(label.SetAttribute("text", "Installing"));
  EXPECT_FALSE(label.SetAttribute("normalimage", "n.png")) << "a label has no state images";
  EXPECT_EQ(label.BkImage(), "still.png");
  EXPECT_EQ(label.Text(), L"Installing");
  CSequenceButton button;
  EXPECT_TRUE(button.SetAttribute("normalimage", "n.png"));
  EXPECT_TRUE(button.SetAttribute("name", "finishedLbl"));
  EXPECT_EQ(button.NormalImage(), "n.png");
  EXPECT_EQ(button.Name(), L"finishedLbl");
  EXPECT_EQ(button.Sequence().pattern, L"");
}

TEST(SequenceControlClasses, APushedButtonMovesItsTextByTheOffset) {
  CSequenceButton button;
  ASSERT_TRUE(button.SetAttribute("textpadding", "2,3,4,5"));
  button.SetPos({10, 20, 110, 60});
  const SkinUI::Rect plain{12, 23, 106, 55};
  EXPECT_EQ(button.TextArea(), plain);
  button.SetPushed(true);
  EXPECT_EQ(button.TextArea(), plain) << "no offset: the toolkit's button area";
  button.SetPushedTextOffset({1, 2, 3, 4});
  EXPECT_EQ(button.GetPushedTextOffset(), (SkinUI::Rect{1, 2, 3, 4}));
  EXPECT_EQ(button.TextArea(), (SkinUI::Rect{13, 25, 103, 51}));
  button.SetPushed(false);
  EXPECT_EQ(button.TextArea(), plain) << "only while pushed";
  button.SetPushedTextOffset({0, -1, 0, 0});
  button.SetPushed(true);
  EXPECT_EQ(button.TextArea(), (SkinUI::Rect{12, 22, 106, 55})) << "one non-zero side is enough";
}

TEST_F(SequenceControls, EachWayThroughThreeFramesShowsItsSequence) {
  const struct {
    const wchar_t* name;
    std::vector<int> shown;  // after each timer event, of ten
    bool running;            // afterwards
  } cases[] = {
      {L"loopLbl", {0, 1, 2, 0, 1, 2, 0, 1, 2, 0}, true},
      {L"capitalFalseLbl", {0, 1, 2, 0, 1, 2, 0, 1, 2, 0}, true},  // "False" is not "false"
      {L"onceLbl", {0, 1, 2, 2}, false},                            // the fourth event ends it
      {L"roundBtn", {0, 1, 2, 1, 0, 1, 2, 1, 0, 1}, true},
      {L"onceRoundBtn", {0, 1, 2, 1, 1}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    SequenceWindow& w = Open();
    SkinUI::Control& control = Find(c.name);
    WithSequence(control, [](auto& s) { s.Start(); });
    EXPECT_EQ(Timers(control), (std::map<unsigned, unsigned>{{kSequenceTimer, 10u}}));
    Tick(10);
    EXPECT_EQ(w.shown[c.name], Frames(c.shown));
    EXPECT_EQ(control.BkImage(), Frames(c.shown).back());
    EXPECT_EQ(WithSequence(control, [](auto& s) { return s.IsRunning(); }), c.running);
    EXPECT_EQ(!Timers(control).empty(), c.running);
  }
}

TEST_F(SequenceControls, StartWhileRunningRestartsAtFrameZeroWithTheCurrentInterval) {
  SequenceWindow& w = Open();
  auto& label = dynamic_cast<CSequenceLabel&>(Find(L"loopLbl"));
  label.Start();
  Tick(2);
  label.SetSequenceSpan(25);
  platform_.AdvanceTime(5ms);
  label.Start();
  EXPECT_EQ(Timers(label), (std::map<unsigned, unsigned>{{kSequenceTimer, 25u}}));
  platform_.AdvanceTime(24ms);
  EXPECT_EQ(w.shown[L"loopLbl"], Frames({0, 1})) << "the interval counts from the restart";
  platform_.AdvanceTime(1ms);
  EXPECT_EQ(w.shown[L"loopLbl"], Frames({0, 1, 0}));
  label.Stop();
  EXPECT_FALSE(label.IsRunning());
  EXPECT_TRUE(Timers(label).empty());
  platform_.AdvanceTime(100ms);
  EXPECT_EQ(w.shown[L"loopLbl"], Frames({0, 1, 0}));
}

TEST_F(SequenceControls, AutostartStartsWhenTheWindowIsMadeFromWhereTheFrameStands) {
  SequenceWindow& w = Open();
  EXPECT_EQ(Timers(Find(L"autoLbl")), (std::map<unsigned, unsigned>{{kSequenceTimer, 20u}}));
  EXPECT_EQ(Find(L"autoLbl").BkImage(), "") << "nothing shown before its first event";
  for (const wchar_t* idle : {L"loopLbl", L"onceLbl", L"roundBtn"}) EXPECT_TRUE(Timers(Find(idle)).empty());
  platform_.AdvanceTime(20ms);
  EXPECT_EQ(w.shown[L"autoLbl"], Frames({0}));

  // A label that has played two frames on its own starts on at the third as it joins the
  // window.
  auto label = std::make_unique<CSequenceLabel>();
  const std::pair<const char*, const char*> attributes[] = {
      {"sequencebkimage", "frames/%d.png"}, {"sequencecount", "3"}, {"sequencespan", "10"}, {"autostart", "1"}};
  for (const auto& [name, value] : attributes) ASSERT_TRUE(label->SetAttribute(name, value));
  label->OnTimer(kSequenceTimer);
  label->OnTimer(kSequenceTimer);
  EXPECT_EQ(label->BkImage(), "frames/1.png");
  auto* root = dynamic_cast<SkinUI::Container*>(w.Manager().Root());
  ASSERT_NE(root, nullptr);
  SkinUI::Control* joined = root->Add(std::move(label));
  EXPECT_EQ(Timers(*joined), (std::map<unsigned, unsigned>{{kSequenceTimer, 10u}}));
  platform_.AdvanceTime(10ms);
  EXPECT_EQ(joined->BkImage(), "frames/2.png");
}

TEST_F(SequenceControls, AnyTimerOfTheControlMovesTheSequence) {
  SequenceWindow& w = Open();
  SkinUI::Control& label = Find(L"onceLbl");
  ASSERT_TRUE(w.Manager().SetTimer(&label, 7, 10));
  Tick(4);
  EXPECT_EQ(w.shown[L"onceLbl"], Frames({0, 1, 2, 2}));
  // The end stops the sequence's own timer, not the one that moved it.
  EXPECT_EQ(Timers(label), (std::map<unsigned, unsigned>{{7u, 10u}}));
}

TEST_F(SequenceControls, PatternsThatNameNoFrameShowNoBackgroundAndTheSequenceRunsOn) {
  SequenceWindow& w = Open();
  auto& label = dynamic_cast<CSequenceLabel&>(Find(L"loopLbl"));
  label.Start();
  Tick(1);
  ASSERT_NE(w.FindSkinFile(Wide(label.BkImage())), nullptr) << "the good pattern names the skin's frames";
  ASSERT_NE(w.FindSkinFile(L"frames/1.png"), nullptr);
  for (const wchar_t* pattern :
       {L"frames/1.png", L"frames/%d%d.png", L"frames/%s.png", L"frames/%n.png", L"frames/%ls.png", L"frames/%"}) {
    SCOPED_TRACE(Narrow(pattern));
    label.SetSequencePattern(pattern);
    Tick(4);
    EXPECT_EQ(label.BkImage(), "");
    EXPECT_TRUE(label.IsRunning());
  }
  label.SetSequencePattern(L"frames/%d.png");
  Tick(1);
  EXPECT_NE(w.FindSkinFile(Wide(label.BkImage())), nullptr) << "the sequence went on meanwhile";
}

TEST_F(SequenceControls, CountsBelowTheMinimumRunOnWithNumbersNoFrameHas) {
  const struct {
    const wchar_t* name;
    std::uint32_t count;
    std::vector<int> shown;
  } cases[] = {
      {L"loopLbl", 0, {0, 1, 2, 3, 4, 5}},          // the end is never reached
      {L"onceLbl", 0, {0, 1, 2, 3, 4, 5}},
      {L"roundBtn", 1, {0, -1, -2, -3, -4, -5}},    // turns at once and runs below zero
      {L"onceRoundBtn", 1, {0, -1, -2, -3, -4, -5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    SequenceWindow& w = Open();
    SkinUI::Control& control = Find(c.name);
    WithSequence(control, [&](auto& s) {
      s.SetSequenceCount(c.count);
      s.Start();
    });
    Tick(6);
    EXPECT_EQ(w.shown[c.name], Frames(c.shown));
    EXPECT_TRUE(WithSequence(control, [](auto& s) { return s.IsRunning(); }));
    EXPECT_EQ(w.FindSkinFile(Wide(control.BkImage())), nullptr);
  }
}

TEST_F(SequenceControls, AControlThatGoesStopsItsTimer) {
  SequenceWindow& w = Open();
  SkinUI::Control& label = Find(L"loopLbl");
  SkinUI::Control& button = Find(L"roundBtn");
  const SkinUI::Control* gone[] = {&label, &button, &Find(L"autoLbl")};
  WithSequence(label, [](auto& s) { s.Start(); });
  WithSequence(button, [](auto& s) { s.Start(); });
  for (const SkinUI::Control* c : gone) ASSERT_FALSE(platform_.TimersOf(c).empty());
  w.Manager().SetRoot(nullptr);  // the tree goes; the window stays
  for (const SkinUI::Control* c : gone) {
    EXPECT_TRUE(platform_.TimersOf(c).empty());
    EXPECT_FALSE(w.Manager().HasTimer(c, kSequenceTimer));
  }
}

// The main window of the test skin: the installation records to itself, so that it opens
// on its welcome page without a question.
class MainWindowSequences : public SequenceControls {
 protected:
  void SetUp() override {
    SequenceControls::SetUp();
    savedConfig_ = g_InstallerConfig;
    g_InstallerConfig.IsCheckNet = false;
    g_InstallerConfig.IsEnableAppAnalytics = false;
    g_InstallerConfig.InsNew = false;
    ASSERT_TRUE(records_.SetAppData(records_.AppData()));
  }
  void TearDown() override {
    main_.reset();
    g_InstallerConfig = savedConfig_;
    SequenceControls::TearDown();
  }

  std::unique_ptr<CMainWnd> main_;
  testsupport::RecordSandbox records_;

 private:
  InstallerConfig savedConfig_;
};

TEST_F(MainWindowSequences, TheProgressPageStartsItsAnimationAndTheFinishedPageSwapsIt) {
  main_ = std::make_unique<CMainWnd>();
  ASSERT_TRUE(main_->Create(nullptr, L"Quorrin"));
  auto* tabs = dynamic_cast<SkinUI::TabLayout*>(main_->FindControl(L"mainTabLt"));
  auto* progress = dynamic_cast<CSequenceLabel*>(main_->FindControl(L"progressAnLb"));
  auto* finished = dynamic_cast<CSequenceLabel*>(main_->FindControl(L"finishedLbl"));
  ASSERT_TRUE(tabs != nullptr && progress != nullptr && finished != nullptr) << "the factory made the labels";
  ASSERT_EQ(main_->CurrentPage(), kWelcomePage);
  EXPECT_FALSE(progress->IsRunning());

  ASSERT_TRUE(tabs->SelectItem(kCustomPage));
  EXPECT_FALSE(progress->IsRunning()) << "only the progress page starts it";
  ASSERT_TRUE(tabs->SelectItem(kProgressPage));
  EXPECT_EQ(platform_.TimersOf(progress), (std::map<unsigned, unsigned>{{kSequenceTimer, 30u}}));
  EXPECT_FALSE(finished->IsRunning());
  platform_.AdvanceTime(60ms);
  EXPECT_EQ(progress->BkImage(), "frames/1.png");

  ASSERT_TRUE(tabs->SelectItem(kFinishedPage));
  EXPECT_FALSE(progress->IsRunning());
  EXPECT_EQ(platform_.TimersOf(finished), (std::map<unsigned, unsigned>{{kSequenceTimer, 40u}}));
  platform_.AdvanceTime(200ms);
  EXPECT_EQ(progress->BkImage(), "frames/1.png") << "stopped where it stood";
  EXPECT_EQ(finished->BkImage(), "frames/2.png");
  EXPECT_FALSE(finished->IsRunning()) << "the finished mark plays once in this skin";
}

}  // namespace
