// The system URL download service: URLDownloadToFileW (urlmon, delay-loaded) with a
// bind-status callback that turns progress notifications into 1002 events. The failure
// code carried by 1004 is the HRESULT the service returned.
#include <windows.h>
#include <objbase.h>
#include <urlmon.h>

#include <atomic>
#include <cstddef>

#include "download/win_downloader.h"
#include "utils/log.h"

// Lives inside its downloader for the downloader's whole life, so it counts no references.
// The virtual operations in slot order: those of IUnknown, IBindStatusCallback and
// IBindStatusCallbackEx, then the destructor.
class CWinDownloader::CBindCallback : public IBindStatusCallbackEx {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    if (object != nullptr) *object = nullptr;  // COM rule: no interface on failure
    return E_NOTIMPL;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
  ULONG STDMETHODCALLTYPE Release() override { return 0; }
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG maximum, ULONG, LPCWSTR) override {
    const auto answer = win_downloader_detail::AnswerProgress(emit_, abort_, static_cast<double>(progress),
                                                              static_cast<double>(maximum));
    // E_ABORT makes the service cancel the download.
    return answer == win_downloader_detail::ProgressAnswer::kAbort ? E_ABORT : S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO* info) override {
    // The URL's non-ASCII characters are UTF-8 escapes (EscapeUrlForService).
    if (info != nullptr && info->cbSize >= offsetof(BINDINFO, dwCodePage) + sizeof(info->dwCodePage)) {
      info->dwCodePage = CP_UTF8;
    }
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBindInfoEx(DWORD*, BINDINFO*, DWORD*, DWORD*) override { return E_NOTIMPL; }
  virtual ~CBindCallback() { abort_ = true; }

  void SetEventCallback(EventCallback emit) { emit_ = std::move(emit); }
  void SetAbortMark() { abort_ = true; }

 private:
  EventCallback emit_;
  std::atomic<bool> abort_{false};
};

namespace win_downloader_detail {

void BindCallbackDeleter::operator()(CWinDownloader::CBindCallback* callback) const { delete callback; }

BindCallbackPtr NewBindCallback() { return BindCallbackPtr(new CWinDownloader::CBindCallback); }

void SetEventCallback(CWinDownloader::CBindCallback& callback, EventCallback emit) {
  callback.SetEventCallback(std::move(emit));
}

void SetAbortMark(CWinDownloader::CBindCallback& callback) { callback.SetAbortMark(); }

ServiceThreadScope::ServiceThreadScope() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  initialised_ = SUCCEEDED(hr);  // S_FALSE too: every successful call is paired with CoUninitialize
  if (!initialised_) TLOGLN(L"CoInitializeEx failed: 0x%08lX", static_cast<unsigned long>(hr));
}

ServiceThreadScope::~ServiceThreadScope() {
  if (initialised_) CoUninitialize();
}

long DownloadOnce(CWinDownloader::CBindCallback& callback, const std::wstring& url, const std::wstring& path) {
  const HRESULT hr = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, &callback);
  TLOGLN(L"URLDownloadToFileW: 0x%08lX", static_cast<unsigned long>(hr));
  return hr;
}

}  // namespace win_downloader_detail
