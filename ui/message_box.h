// The installer's message and tip windows: one small modal window class for the five
// message skins, shown over an owner, returning which button closed it.
#pragma once

#include <optional>
#include <string>

#include "ui/skin_frame.h"

namespace SkinUI {
class Control;
}

// What ShowMessageWindow returns.
inline constexpr int kMessageOk = 0;      // okBtn
inline constexpr int kMessageCancel = 1;  // cancelBtn, or closed without a click
inline constexpr int kMessageOther = 2;   // another control, normally the close button

// The skins.
inline constexpr const wchar_t* kNoticeSkin = L"MessageBox1Wnd.xml";       // one button
inline constexpr const wchar_t* kPlainNoticeSkin = L"MessageBox2Wnd.xml";  // no buttons
inline constexpr const wchar_t* kNetworkTipSkin = L"NetworkTipWnd.xml";
inline constexpr const wchar_t* kExitTipSkin = L"ExitTipWnd.xml";
inline constexpr const wchar_t* kInstalledPathTipSkin = L"InstalledPathTipWnd.xml";

class CMessageBoxWnd : public CSkinFrame {
 public:
  explicit CMessageBoxWnd(SkinLocation location) : CSkinFrame(std::move(location)) {}

  void InitWindow() override;
  void OnClick(const SkinUI::Notify& notify) override;
  // Fills in the text and caption given (the skin's own stay otherwise).
  void SetTexts(const std::optional<std::wstring>& text, const std::optional<std::wstring>& caption);
  int Result() const { return result_; }

 private:
  int result_ = kMessageCancel;
  SkinUI::Control* okBtn_ = nullptr;
  SkinUI::Control* cancelBtn_ = nullptr;
  SkinUI::Control* textLbl_ = nullptr;
  SkinUI::Control* captionLbl_ = nullptr;
};

// Shows the skin modally over owner (which is disabled meanwhile) with the text and caption
// given; returns kMessageOk, kMessageCancel or kMessageOther. A skin that cannot be loaded
// returns kMessageCancel after the toolkit's error box.
int ShowMessageWindow(SkinUI::SkinWindow* owner, const std::wstring& skinFile,
                      const std::optional<std::wstring>& text = std::nullopt,
                      const std::optional<std::wstring>& caption = std::nullopt);
