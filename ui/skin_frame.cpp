// The installer's window frame: the skin record of its windows, the borderless styles, the
// shadow and the Escape filter.
#include "ui/skin_frame.h"

#include "skin/skin_resource.h"
#include "toolkit/window_messages.h"
#include "ui/window_styles.h"

SkinLocation InstallerSkin(const std::wstring& file) {
  return SkinLocation{4, kSkinResourceId, L"", file, file.substr(0, file.rfind(L'.'))};
}

void CSkinFrame::InitWindow() {
  ui::RemoveCaptionStyles(*this);
  if (shadow_.ApplySkinAttributes(Manager().Attributes().custom)) shadow_.Create(*this);
}

bool CSkinFrame::MessageFilter(unsigned message, std::uintptr_t wParam, std::intptr_t) {
  return message == SkinUI::kMessageKeyDown && wParam == SkinUI::kKeyEscape;
}
