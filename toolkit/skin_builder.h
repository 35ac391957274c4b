// Builds a window from its skin XML: the root element's attributes, the fonts and the
// control tree. Unknown tags go to the window's factory; what it does not make is skipped
// with everything below it.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "toolkit/control.h"

namespace SkinUI {

class WindowManager;

// Makes a control for a tag the toolkit does not know, or nothing.
using ControlFactory = std::function<std::unique_ptr<Control>(std::wstring_view tag)>;

// Nesting deeper than this is skipped, so a hostile skin cannot exhaust the stack.
inline constexpr int kMaxSkinDepth = 64;

// The toolkit's own control for a tag ("Button", "VerticalLayout", ...), or nothing.
std::unique_ptr<Control> CreateBuiltinControl(std::string_view tag);

// Reads xml (UTF-8 text) into manager. False, with manager untouched, when the text is not
// XML or has no "Window" root element.
bool BuildSkin(std::span<const unsigned char> xml, WindowManager& manager, const ControlFactory& factory);

}  // namespace SkinUI
