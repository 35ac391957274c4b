// The image-sequence controls: the frame step, the frame-name formatter (the skin's pattern
// is read here, never handed to printf as a format), and the controls' attributes, timer
// and background.
#include "ui/sequence_controls.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <cwctype>
#include <optional>

#include "toolkit/window_manager.h"
#include "utils/text.h"

namespace ui {
namespace {

bool SameTag(std::wstring_view tag, std::wstring_view name) {
  return std::equal(tag.begin(), tag.end(), name.begin(), name.end(),
                    [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

// A printf integer conversion as a pattern spells it: flags, width, precision and type.
struct Conversion {
  bool left = false;       // '-'
  bool plus = false;       // '+'
  bool space = false;      // ' '
  bool alternate = false;  // '#'
  bool zero = false;       // '0'
  std::size_t width = 0;
  std::optional<std::size_t> precision;
  wchar_t type = 0;  // d, i, u, o, x or X
};

// The name as it is built, cut where the buffer ends; counts beyond the room cost nothing.
class BoundedName {
 public:
  void Append(wchar_t c, std::size_t count = 1) { text_.append(std::min(count, Room()), c); }
  void Append(std::wstring_view text) { text_.append(text.substr(0, std::min(text.size(), Room()))); }
  std::wstring Take() { return std::move(text_); }

 private:
  std::size_t Room() const { return kFrameNameCapacity - 1 - text_.size(); }
  std::wstring text_;
};

// A run of decimal digits at pos, saturated to printf's own limit on widths and precisions.
std::size_t ReadCount(std::wstring_view pattern, std::size_t& pos) {
  std::uint64_t value = 0;
  while (pos < pattern.size() && pattern[pos] >= L'0' && pattern[pos] <= L'9') {
    value = std::min<std::uint64_t>(value * 10 + static_cast<std::uint64_t>(pattern[pos] - L'0'), INT_MAX);
    ++pos;
  }
  return static_cast<std::size_t>(value);
}

// The conversion that starts after a '%' at pos, pos left after it; nothing when it is not
// an integer conversion of the frame number alone. A '*' would take a width from another
// argument, a length modifier another size of argument, and %s, %n and the rest read or
// write through one: all of them make the pattern unusable.
std::optional<Conversion> ReadConversion(std::wstring_view pattern, std::size_t& pos) {
  Conversion c;
  for (; pos < pattern.size(); ++pos) {
    const wchar_t flag = pattern[pos];
    if (flag == L'-') c.left = true;
    else if (flag == L'+') c.plus = true;
    else if (flag == L' ') c.space = true;
    else if (flag == L'#') c.alternate = true;
    else if (flag == L'0') c.zero = true;
    else break;
  }
  c.width = ReadCount(pattern, pos);
  if (pos < pattern.size() && pattern[pos] == L'.') c.precision = ReadCount(pattern, ++pos);
  if (pos >= pattern.size() || std::wstring_view(L"diuoxX").find(pattern[pos]) == std::wstring_view::npos) {
    return std::nullopt;
  }
  c.type = pattern[pos++];
  return c;
}

// The digits of a magnitude in the conversion's base.
std::wstring Digits(std::uint32_t magnitude, wchar_t type) {
  const int base = type == L'o' ? 8 : (type == L'x' || type == L'X') ? 16 : 10;
  std::array<char, 40> buffer{};
  const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude, base).ptr;
  std::wstring digits;
  for (const char* p = buffer.data(); p != end; ++p) {
    digits.push_back(static_cast<wchar_t>(type == L'X' ? std::toupper(static_cast<unsigned char>(*p)) : *p));
  }
  return digits;
}

// The frame number as printf writes it for the conversion: %d and %i take it as a signed
// 32-bit value (a count too small for back and forth runs it below zero), the others as
// unsigned.
void AppendNumber(BoundedName& out, const Conversion& c, std::uint32_t frame) {
  const bool isSigned = c.type == L'd' || c.type == L'i';
  const bool negative = isSigned && static_cast<std::int32_t>(frame) < 0;
  const std::uint32_t magnitude = negative ? 0u - frame : frame;
  std::wstring prefix = negative ? L"-" : (isSigned && c.plus) ? L"+" : (isSigned && c.space) ? L" " : L"";
  if (c.alternate && magnitude != 0 && (c.type == L'x' || c.type == L'X')) prefix += c.type == L'x' ? L"0x" : L"0X";
  std::wstring digits = c.precision == std::size_t{0} && magnitude == 0 ? L"" : Digits(magnitude, c.type);
  std::size_t zeros = c.precision && *c.precision > digits.size() ? *c.precision - digits.size() : 0;
  if (c.alternate && c.type == L'o' && zeros == 0 && (digits.empty() || digits[0] != L'0')) zeros = 1;
  const std::size_t body = prefix.size() + zeros + digits.size();
  const std::size_t fill = c.width > body ? c.width - body : 0;
  const bool zeroFill = c.zero && !c.left && !c.precision;
  if (!c.left && !zeroFill) out.Append(L' ', fill);
  out.Append(prefix);
  out.Append(L'0', zeros + (zeroFill ? fill : 0));
  out.Append(digits);
  if (c.left) out.Append(L' ', fill);
}

// Only the exact text "false" is false.
bool SequenceFlag(std::string_view value) { return value != "false"; }

}  // namespace

SequenceStep StepSequence(SequenceState& s) {
  if (s.pattern.empty()) return {};
  if (s.forward && s.frame > s.count - 1u) {
    if (s.pingPong) {
      s.forward = false;
      s.frame = s.count - 2u;
    } else {
      s.frame = 0;
      if (!s.loop) return {.stop = true};
    }
  }
  if (!s.forward && s.frame == 0) {
    if (s.pingPong) s.forward = true;
    s.frame = 0;
    if (!s.loop) return {.stop = true};
  }
  const std::uint32_t shown = s.frame;
  s.frame = s.forward ? s.frame + 1u : s.frame - 1u;
  return {.show = true, .frame = shown};
}

std::wstring FormatFrameName(std::wstring_view pattern, std::uint32_t frame) {
  // A pattern without exactly one integer conversion names no frame: it gives an empty
  // name, which shows no background while the sequence runs on.
  BoundedName out;
  bool converted = false;
  std::size_t pos = 0;
  while (pos < pattern.size()) {
    const wchar_t c = pattern[pos++];
    if (c != L'%') {
      out.Append(c);
    } else if (pos < pattern.size() && pattern[pos] == L'%') {
      out.Append(L'%');
      ++pos;
    } else {
      const std::optional<Conversion> conversion = ReadConversion(pattern, pos);
      if (!conversion || converted) return L"";
      AppendNumber(out, *conversion, frame);
      converted = true;
    }
  }
  return converted ? out.Take() : L"";
}

std::unique_ptr<SkinUI::Control> CreateSequenceControl(std::wstring_view tag) {
  if (SameTag(tag, L"SequenceButton")) return std::make_unique<CSequenceButton>();
  if (SameTag(tag, L"SequenceLabel")) return std::make_unique<CSequenceLabel>();
  return nullptr;
}

}  // namespace ui

template <class Base>
CSequenceControl<Base>::CSequenceControl(std::int32_t interval, bool pingPong) {
  state_.interval = interval;
  state_.pingPong = pingPong;
}

template <class Base>
CSequenceControl<Base>::~CSequenceControl() {
  Stop();
}

template <class Base>
bool CSequenceControl<Base>::SetAttribute(std::string_view name, std::string_view value) {
  using SkinUI::EqualNoCase;
  if (name == "sequencebkimage") state_.pattern = Utils::ToWide(std::string(value), Utils::kCodePageUtf8);
  else if (EqualNoCase(name, "sequencecount")) state_.count = static_cast<std::uint32_t>(SkinUI::ParseInt(value));
  else if (EqualNoCase(name, "sequencespan")) state_.interval = SkinUI::ParseInt(value);
  else if (EqualNoCase(name, "sequenceloop")) state_.loop = ui::SequenceFlag(value);
  else if (EqualNoCase(name, "autostart")) state_.autostart = ui::SequenceFlag(value);
  else if (EqualNoCase(name, "sequenceround")) state_.pingPong = ui::SequenceFlag(value);
  else return Base::SetAttribute(name, value);
  return true;
}

template <class Base>
void CSequenceControl<Base>::Init() {
  Base::Init();
  if (state_.autostart) StartTimer();  // from wherever the frame stands
}

template <class Base>
void CSequenceControl<Base>::OnTimer(unsigned id) {
  Base::OnTimer(id);
  // Every timer of the control moves the sequence, not only its own.
  const ui::SequenceStep step = ui::StepSequence(state_);
  if (step.stop) Stop();
  if (step.show) ShowFrame(step.frame);
}

template <class Base>
void CSequenceControl<Base>::Start() {
  state_.frame = 0;
  StartTimer();
}

template <class Base>
void CSequenceControl<Base>::Stop() {
  if (this->Manager() != nullptr) this->Manager()->KillTimer(this, ui::kSequenceTimer);
}

template <class Base>
bool CSequenceControl<Base>::IsRunning() const {
  return this->Manager() != nullptr && this->Manager()->HasTimer(this, ui::kSequenceTimer);
}

template <class Base>
void CSequenceControl<Base>::StartTimer() {
  // A running timer is replaced. A negative interval reaches the host as the unsigned
  // number it converts to, which the host bounds.
  if (this->Manager() != nullptr) {
    this->Manager()->SetTimer(this, ui::kSequenceTimer, static_cast<unsigned>(state_.interval));
  }
}

template <class Base>
void CSequenceControl<Base>::ShowFrame(std::uint32_t frame) {
  // A frame file the skin lacks shows no background; the sequence goes on all the same.
  this->SetBkImage(Utils::ToNarrow(ui::FormatFrameName(state_.pattern, frame), Utils::kCodePageUtf8));
  this->Invalidate();
}

template class CSequenceControl<SkinUI::Label>;
template class CSequenceControl<SkinUI::Button>;

void CSequenceButton::SetPushedTextOffset(const SkinUI::Rect& offset) {
  pushedTextOffset_ = offset;
  Invalidate();
}

SkinUI::Rect CSequenceButton::TextArea() const {
  const SkinUI::Rect area = Button::TextArea();
  const SkinUI::Rect& o = pushedTextOffset_;
  if (!IsPushed() || o == SkinUI::Rect{}) return area;
  using SkinUI::Rect;
  return {Rect::Clamped(std::int64_t{area.left} + o.left), Rect::Clamped(std::int64_t{area.top} + o.top),
          Rect::Clamped(std::int64_t{area.right} - o.right), Rect::Clamped(std::int64_t{area.bottom} - o.bottom)};
}
