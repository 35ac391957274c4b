// The drop shadow without a window system: the headless windows cast none, so the shadow
// keeps its values and never makes a window.
#include "ui/window_shadow.h"

struct CWindowShadow::Native {};

CWindowShadow::CWindowShadow() = default;
CWindowShadow::~CWindowShadow() = default;

bool CWindowShadow::Initialize(void*) { return false; }

void CWindowShadow::Create(SkinUI::SkinWindow&) {}

void CWindowShadow::RefreshIfVisible() {}

void CWindowShadow::Update() {}
