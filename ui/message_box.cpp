// The message and tip windows: the result each button gives, and the modal showing over an
// owner.
#include "ui/message_box.h"

#include "toolkit/control.h"
#include "ui/window_styles.h"

void CMessageBoxWnd::InitWindow() {
  CSkinFrame::InitWindow();
  ui::ApplyBorderlessStyles(*this);
  okBtn_ = FindControl(L"okBtn");
  cancelBtn_ = FindControl(L"cancelBtn");
  textLbl_ = FindControl(L"textLbl");
  captionLbl_ = FindControl(L"captionLbl");
}

void CMessageBoxWnd::OnClick(const SkinUI::Notify& notify) {
  if (notify.sender != nullptr && notify.sender == okBtn_) {
    RequestClose(1);
    result_ = kMessageOk;
  } else if (notify.sender != nullptr && notify.sender == cancelBtn_) {
    RequestClose(1);
    result_ = kMessageCancel;
  } else {
    // The toolkit's own handling (closebtn closes, minbtn minimises); the last such click
    // is the answer.
    CSkinFrame::OnClick(notify);
    result_ = kMessageOther;
  }
}

void CMessageBoxWnd::SetTexts(const std::optional<std::wstring>& text, const std::optional<std::wstring>& caption) {
  if (text && textLbl_ != nullptr) textLbl_->SetText(*text);
  if (caption && captionLbl_ != nullptr) captionLbl_->SetText(*caption);
}

int ShowMessageWindow(SkinUI::SkinWindow* owner, const std::wstring& skinFile, const std::optional<std::wstring>& text,
                      const std::optional<std::wstring>& caption) {
  CMessageBoxWnd box(InstallerSkin(skinFile));
  if (!box.Create(owner, L"消息框")) return kMessageCancel;
  box.SetTexts(text, caption);
  box.CentreWindow();
  box.ShowModal();
  return box.Result();
}
