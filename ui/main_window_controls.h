// The main window's private parts: the named controls of its skin as its initialisation
// finds them (any may be missing, or of another kind, and each use checks first), and its
// network watcher.
#pragma once

#include <atomic>
#include <memory>

#include "ui/main_window.h"
#include "utils/thread.h"

namespace SkinUI {
class Container;
class Option;
}  // namespace SkinUI

struct CMainWnd::Controls {
  SkinUI::Control* winCtn = nullptr;
  SkinUI::TabLayout* titleTabLt = nullptr;
  SkinUI::TabLayout* mainTabLt = nullptr;
  SkinUI::Button* defaultInstallBtn = nullptr;
  SkinUI::Button* customeInstallBtn = nullptr;
  SkinUI::Button* customeBtn = nullptr;
  SkinUI::Option* treatyBtn = nullptr;
  SkinUI::Button* backBtn = nullptr;
  SkinUI::Option* treatyCb = nullptr;
  SkinUI::Option* serviceCb = nullptr;
  SkinUI::Button* chDirBtn = nullptr;
  SkinUI::Edit* installDirEdit = nullptr;
  SkinUI::Button* openProduceBtn = nullptr;
  SkinUI::Control* ableftBtn = nullptr;
  SkinUI::Control* abrightBtn = nullptr;
  SkinUI::Control* titleGrpCtn = nullptr;
  SkinUI::Control* progressLb = nullptr;
  SkinUI::Option* createDSCb = nullptr;
  SkinUI::Option* createQSCb = nullptr;
  SkinUI::Control* progressAnLb = nullptr;
  SkinUI::Control* finishedLbl = nullptr;
  SkinUI::Control* softNameLbl = nullptr;
  SkinUI::Control* installLogo = nullptr;
  SkinUI::Combo* languageCombo = nullptr;
  SkinUI::Control* tipLbl = nullptr;
  SkinUI::Progress* installPrg = nullptr;
  SkinUI::Control* bTitleLbl1 = nullptr;
  SkinUI::Control* bTitleLbl2 = nullptr;
  SkinUI::Control* bTitleLbl3 = nullptr;
};

// One network check on its own thread; done is set once the check has posted its result.
struct CMainWnd::NetworkWatch {
  std::shared_ptr<std::atomic<bool>> done = std::make_shared<std::atomic<bool>>(false);
  std::unique_ptr<Utils::Thread> thread;
};
