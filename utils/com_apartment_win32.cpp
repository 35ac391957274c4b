// COM apartment on Windows: CoInitializeEx, paired with CoUninitialize when it succeeded.
#include <objbase.h>

#include "utils/com_apartment.h"
#include "utils/log.h"

namespace Utils {

ComApartment::ComApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  initialised_ = SUCCEEDED(hr);  // S_FALSE too: every successful call is paired with CoUninitialize
  if (!initialised_) TLOGLN(L"CoInitializeEx failed: 0x%08lX", static_cast<unsigned long>(hr));
}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

}  // namespace Utils
