// The animated image-sequence controls a skin may use: CSequenceLabel and CSequenceButton
// play a numbered series of image files by swapping their background image on a timer.
// Also the frame step and the frame-name formatter they share, and the factory that makes
// them for their skin tags.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/controls.h"

namespace ui {

// The animation timer of a sequence control.
inline constexpr unsigned kSequenceTimer = 2100;
// The frame name's buffer, terminator included: a name holds one character less.
inline constexpr std::size_t kFrameNameCapacity = 260;

// What a sequence plays and where it stands.
struct SequenceState {
  std::wstring pattern;         // the frame name, with one integer conversion ("%.3d")
  std::uint32_t count = 0;      // frames in the series
  std::int32_t interval = 30;   // milliseconds between frames
  bool autostart = false;
  bool loop = true;
  bool pingPong = false;        // back and forth instead of restarting at frame 0
  bool forward = true;
  std::uint32_t frame = 0;      // the next frame to show
};

// The outcome of one timer event.
struct SequenceStep {
  bool show = false;        // a frame is to be shown
  std::uint32_t frame = 0;  // which one
  bool stop = false;        // the sequence has ended: its timer stops
};

// One timer event: where the sequence turns or ends, and the frame to show next. The
// arithmetic is unsigned 32-bit throughout, so a count below the minimum (1, or 2 back and
// forth) makes the frame number grow without end or run below zero rather than stop.
SequenceStep StepSequence(SequenceState& state);

// The pattern with its one integer conversion replaced by the frame number, cut to
// kFrameNameCapacity - 1 characters; empty when the pattern is not a usable frame name.
std::wstring FormatFrameName(std::wstring_view pattern, std::uint32_t frame);

// A CSequenceButton or CSequenceLabel for their tags ("SequenceButton", "SequenceLabel",
// compared without case), nothing for any other tag.
std::unique_ptr<SkinUI::Control> CreateSequenceControl(std::wstring_view tag);

}  // namespace ui

// The animation shared by both controls, over the toolkit control it extends: the skin's
// sequence attributes, start and stop, autostart once the window exists, a frame on every
// timer event of the control, and the timer stopped when the control goes.
template <class Base>
class CSequenceControl : public Base {
 public:
  ~CSequenceControl() override;

  // sequencebkimage (compared exactly), sequencecount, sequencespan, sequenceloop, autostart
  // and sequenceround (compared without case); anything else goes to the base control.
  bool SetAttribute(std::string_view name, std::string_view value) override;
  void Init() override;
  void OnTimer(unsigned id) override;

  // From frame 0, restarting the timer when it runs.
  void Start();
  void Stop();
  bool IsRunning() const;

  const std::wstring& GetSequencePattern() const { return state_.pattern; }
  void SetSequencePattern(std::wstring pattern) { state_.pattern = std::move(pattern); }
  std::uint32_t GetSequenceCount() const { return state_.count; }
  void SetSequenceCount(std::uint32_t count) { state_.count = count; }
  std::int32_t GetSequenceSpan() const { return state_.interval; }
  void SetSequenceSpan(std::int32_t interval) { state_.interval = interval; }
  const ui::SequenceState& Sequence() const { return state_; }

 protected:
  CSequenceControl(std::int32_t interval, bool pingPong);

 private:
  void StartTimer();
  void ShowFrame(std::uint32_t frame);

  ui::SequenceState state_;
};

class CSequenceLabel : public CSequenceControl<SkinUI::Label> {
 public:
  CSequenceLabel() : CSequenceControl(30, false) {}
  std::wstring ClassName() const override { return L"SequenceLabel"; }
};

class CSequenceButton : public CSequenceControl<SkinUI::Button> {
 public:
  CSequenceButton() : CSequenceControl(60, true) {}
  std::wstring ClassName() const override { return L"SequenceButton"; }

  // While the button is pushed and the offset is not all zero, its text moves inside the
  // text area: left and top added, right and bottom subtracted.
  const SkinUI::Rect& GetPushedTextOffset() const { return pushedTextOffset_; }
  void SetPushedTextOffset(const SkinUI::Rect& offset);
  SkinUI::Rect TextArea() const override;

 private:
  SkinUI::Rect pushedTextOffset_;
};

extern template class CSequenceControl<SkinUI::Label>;
extern template class CSequenceControl<SkinUI::Button>;
