// The system URL download service: URLDownloadToFileW (urlmon, delay-loaded) with a
// bind-status callback that turns progress notifications into 1002 events and remembers
// the binding, so that the watchdog can abort a transfer whose progress stands still.
// The failure code carried by 1004 is the HRESULT the service returned, or one of the two
// below for the run's own checks.
#include <windows.h>
#include <objbase.h>
#include <urlmon.h>

#include <atomic>
#include <cstddef>
#include <mutex>

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
  HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding* binding) override {
    KeepBinding(binding);  // for the watchdog; the answer stays the same
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG maximum, ULONG status, LPCWSTR text) override {
    if (abort_) return E_ABORT;  // the service cancels the download
    if (listener_ == nullptr) return S_OK;
    if (status == BINDSTATUS_REDIRECTING && text != nullptr) listener_->OnRedirect(text);
    listener_->OnProgress(static_cast<double>(progress), static_cast<double>(maximum));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override {
    KeepBinding(nullptr);
    return E_NOTIMPL;
  }
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
  virtual ~CBindCallback() {
    abort_ = true;
    KeepBinding(nullptr);
  }

  void SetListener(win_downloader_detail::TransferListener* listener) { listener_ = listener; }
  void SetAbortMark() { abort_ = true; }

  // Holds a reference to the binding of the transfer in progress (null: none).
  void KeepBinding(IBinding* binding) {
    if (binding != nullptr) binding->AddRef();
    IBinding* old = nullptr;
    {
      std::lock_guard<std::mutex> lock(bindingMutex_);
      old = binding_;
      binding_ = binding;
    }
    if (old != nullptr) old->Release();
  }

  // Aborts the binding in progress. The call is made outside the lock: the service may
  // report the end of the binding from inside it.
  void AbortBinding() {
    IBinding* binding = nullptr;
    {
      std::lock_guard<std::mutex> lock(bindingMutex_);
      binding = binding_;
      if (binding != nullptr) binding->AddRef();
    }
    if (binding == nullptr) return;
    const HRESULT hr = binding->Abort();
    TLOGLN(L"IBinding::Abort: 0x%08lX", static_cast<unsigned long>(hr));
    binding->Release();
  }

 private:
  win_downloader_detail::TransferListener* listener_ = nullptr;
  std::atomic<bool> abort_{false};
  std::mutex bindingMutex_;
  IBinding* binding_ = nullptr;
};

namespace win_downloader_detail {

void BindCallbackDeleter::operator()(CWinDownloader::CBindCallback* callback) const { delete callback; }

BindCallbackPtr NewBindCallback() { return BindCallbackPtr(new CWinDownloader::CBindCallback); }

void SetListener(CWinDownloader::CBindCallback& callback, TransferListener* listener) {
  callback.SetListener(listener);
}

void SetAbortMark(CWinDownloader::CBindCallback& callback) { callback.SetAbortMark(); }

void AbortAttempt(CWinDownloader::CBindCallback& callback) { callback.AbortBinding(); }

long DownloadOnce(CWinDownloader::CBindCallback& callback, const std::wstring& url, const std::wstring& path) {
  const HRESULT hr = URLDownloadToFileW(nullptr, url.c_str(), path.c_str(), 0, &callback);
  callback.KeepBinding(nullptr);  // the binding is over, whether or not the service said so
  TLOGLN(L"URLDownloadToFileW: 0x%08lX", static_cast<unsigned long>(hr));
  return hr;
}

// "The download has failed (the connection was interrupted)": what a short file is.
long IncompleteFileCode() { return static_cast<long>(INET_E_DOWNLOAD_FAILURE); }
long StalledCode() { return static_cast<long>(INET_E_CONNECTION_TIMEOUT); }

}  // namespace win_downloader_detail
