// Skin XML to control tree, with pugixml.
#include "toolkit/skin_builder.h"

#include <pugixml.hpp>


#include "toolkit/containers.h"
#include "toolkit/controls.h"
#include "toolkit/window_manager.h"
#include "utils/text.h"

namespace SkinUI {
namespace {

std::wstring Wide(std::string_view text) { return Utils::ToWide(std::string(text), Utils::kCodePageUtf8); }

FontInfo ReadFont(const pugi::xml_node& node, bool& isDefault) {
  FontInfo font;
  isDefault = false;
  for (const pugi::xml_attribute& a : node.attributes()) {
    const std::string_view name = a.name(), value = a.value();
    if (EqualNoCase(name, "id")) font.id = ParseInt(value);
    else if (EqualNoCase(name, "name")) font.name = Wide(value);
    else if (EqualNoCase(name, "size")) font.size = ParseInt(value, 12);
    else if (EqualNoCase(name, "bold")) font.bold = ParseBool(value);
    else if (EqualNoCase(name, "underline")) font.underline = ParseBool(value);
    else if (EqualNoCase(name, "italic")) font.italic = ParseBool(value);
    else if (EqualNoCase(name, "default")) isDefault = ParseBool(value);
  }
  return font;
}

void ReadWindowAttributes(const pugi::xml_node& node, WindowAttributes& window) {
  for (const pugi::xml_attribute& a : node.attributes()) {
    const std::string_view name = a.name(), value = a.value();
    if (name == "size") window.size = ParseSize(value);
    else if (name == "caption") window.caption = ParseRect(value);
    else if (name == "roundcorner") window.roundCorner = ParseSize(value);
    else window.custom[std::string(name)] = std::string(value);
  }
  window.size.cx = std::max(0, window.size.cx);
  window.size.cy = std::max(0, window.size.cy);
}

std::unique_ptr<Control> BuildControl(const pugi::xml_node& node, const ControlFactory& factory, int depth) {
  if (depth > kMaxSkinDepth) return nullptr;
  std::unique_ptr<Control> control = CreateBuiltinControl(node.name());
  if (!control && factory) control = factory(Wide(node.name()));
  if (!control) return nullptr;
  for (const pugi::xml_attribute& a : node.attributes()) (void)control->SetAttribute(a.name(), a.value());  // unknown attributes are ignored
  if (auto* container = dynamic_cast<Container*>(control.get())) {
    for (const pugi::xml_node& child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      if (auto built = BuildControl(child, factory, depth + 1)) container->Add(std::move(built));
    }
  }
  return control;
}

}  // namespace

std::unique_ptr<Control> CreateBuiltinControl(std::string_view tag) {
  if (tag == "Control") return std::make_unique<Control>();
  if (tag == "Container") return std::make_unique<Container>();
  if (tag == "VerticalLayout") return std::make_unique<VerticalLayout>();
  if (tag == "HorizontalLayout") return std::make_unique<HorizontalLayout>();
  if (tag == "TabLayout") return std::make_unique<TabLayout>();
  if (tag == "Label") return std::make_unique<Label>();
  if (tag == "Text") return std::make_unique<TextControl>();
  if (tag == "Button") return std::make_unique<Button>();
  if (tag == "Option") return std::make_unique<Option>();
  if (tag == "CheckBox") return std::make_unique<CheckBox>();
  if (tag == "Edit") return std::make_unique<Edit>();
  if (tag == "Progress") return std::make_unique<Progress>();
  if (tag == "Combo") return std::make_unique<Combo>();
  return nullptr;
}

bool BuildSkin(std::span<const unsigned char> xml, WindowManager& manager, const ControlFactory& factory) {
  pugi::xml_document document;
  if (!document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8)) return false;
  const pugi::xml_node window = document.child("Window");
  if (!window) return false;
  WindowAttributes attributes;
  ReadWindowAttributes(window, attributes);
  manager.Attributes() = attributes;
  std::unique_ptr<Control> root;
  for (const pugi::xml_node& child : window.children()) {
    if (child.type() != pugi::node_element) continue;
    if (std::string_view(child.name()) == "Font") {
      bool isDefault = false;
      const FontInfo font = ReadFont(child, isDefault);
      manager.AddFont(font, isDefault);
    } else if (!root) {
      root = BuildControl(child, factory, 1);
    }
  }
  manager.SetRoot(std::move(root));
  return true;
}

}  // namespace SkinUI
