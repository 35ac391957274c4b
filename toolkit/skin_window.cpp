// Loading a window's skin out of the archive and the window's life on its platform.
#include "toolkit/skin_window.h"

#include <map>
#include <mutex>

#include "toolkit/skin_archive.h"
#include "toolkit/skin_builder.h"
#include "toolkit/window_host.h"
#include "toolkit/window_messages.h"
#include "toolkit/window_platform.h"
#include "utils/log.h"

namespace SkinUI {
namespace {

std::mutex g_archivesLock;
ResourceLoader& Loader() {
  static ResourceLoader loader;
  return loader;
}
// Archives opened so far, by resource; every window of a program reads the same one.
std::map<std::pair<int, int>, std::optional<SkinArchive>>& Archives() {
  static std::map<std::pair<int, int>, std::optional<SkinArchive>> archives;
  return archives;
}

// A file of the archive, opened on first use; null when the archive or the file is missing.
const std::vector<unsigned char>* ArchiveFile(int type, int id, std::wstring_view path) {
  std::lock_guard<std::mutex> hold(g_archivesLock);
  auto found = Archives().find({type, id});
  if (found == Archives().end()) {
    const std::span<const unsigned char> bytes = Loader() ? Loader()(type, id) : std::span<const unsigned char>();
    found = Archives().emplace(std::make_pair(type, id), SkinArchive::Open(bytes)).first;
  }
  return found->second ? found->second->Find(path) : nullptr;
}

}  // namespace

void SetResourceLoader(ResourceLoader loader) {
  std::lock_guard<std::mutex> hold(g_archivesLock);
  Loader() = std::move(loader);
  Archives().clear();
}

SkinWindow::SkinWindow() { manager_.AddNotifier(this); }

SkinWindow::~SkinWindow() {
  {
    std::lock_guard<std::mutex> hold(postLock_);
    postHost_ = nullptr;
  }
  if (host_) CurrentPlatform().Close(*this);
  // The tree outlives the host, and its controls may stop their timers as they go.
  manager_.SetHost(nullptr);
}

std::unique_ptr<Control> SkinWindow::CreateControl(std::wstring_view) { return nullptr; }

void SkinWindow::Notify(const SkinUI::Notify& notify) {
  if (notify.type == L"click") OnClick(notify);
}

void SkinWindow::OnClick(const SkinUI::Notify& notify) {
  if (notify.sender == nullptr) return;
  if (notify.sender->Name() == L"closebtn") Close(1);
  else if (notify.sender->Name() == L"minbtn") Minimize();
}

bool SkinWindow::MessageFilter(unsigned, std::uintptr_t, std::intptr_t) { return false; }
bool SkinWindow::HandleCustomMessage(unsigned, std::uintptr_t, std::intptr_t) { return false; }

bool SkinWindow::Create(SkinWindow* owner, const std::wstring& title) {
  const std::wstring folder = GetSkinFolder();
  const std::wstring path = folder.empty() ? GetSkinFile() : folder + L"/" + GetSkinFile();
  const std::vector<unsigned char>* xml = ArchiveFile(GetResourceType(), GetResourceID(), path);
  const ControlFactory factory = [this](std::wstring_view tag) { return CreateControl(tag); };
  if (xml == nullptr || !BuildSkin(*xml, manager_, factory) || manager_.Root() == nullptr) {
    TLOGLN(L"skin %ls cannot be loaded", path.c_str());
    CurrentPlatform().ShowError(kSkinLoadError);
    return false;
  }
  owner_ = owner;
  host_ = CurrentPlatform().CreateHost(*this, owner, title);
  if (!host_) return false;
  manager_.SetHost(host_.get());
  {
    std::lock_guard<std::mutex> hold(postLock_);
    postHost_ = host_.get();
  }
  manager_.Layout();
  manager_.InitControls();
  InitWindow();
  return true;
}

int SkinWindow::ShowModal() {
  if (!host_) return result_;
  CurrentPlatform().RunModal(*this);
  return result_;
}

void SkinWindow::Close(int result) {
  result_ = result;
  if (!host_) return;
  {
    std::lock_guard<std::mutex> hold(postLock_);
    postHost_ = nullptr;
  }
  CurrentPlatform().Close(*this);
  manager_.SetHost(nullptr);
  host_.reset();
}

bool SkinWindow::PostWindowMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  std::lock_guard<std::mutex> hold(postLock_);
  return postHost_ != nullptr && postHost_->PostWindowMessage(message, wParam, lParam);
}

bool SkinWindow::RequestClose(int value) {
  return PostWindowMessage(kMessageClose, static_cast<std::uintptr_t>(value), 0);
}

void SkinWindow::CentreWindow() {
  if (host_) host_->Centre();
}

void SkinWindow::Minimize() {
  if (host_) CurrentPlatform().Minimize(*this);
}

const std::vector<unsigned char>* SkinWindow::FindSkinFile(std::wstring_view path) const {
  return ArchiveFile(GetResourceType(), GetResourceID(), path);
}

bool SkinWindow::Click(std::wstring_view name) {
  Control* control = FindControl(name);
  return control != nullptr && control->Activate();
}

}  // namespace SkinUI
