// The GDI+ session, image decoding through a memory stream, and font fallback.
#include "toolkit/gdiplus_win32.h"

#include <cstring>
#include <string>

#include "toolkit/window_manager.h"
#include "utils/log.h"

namespace SkinUI {
namespace {

// One GDI+ session for the process: started by the first window, shut down at exit.
class GdiplusSession {
 public:
  GdiplusSession() {
    const Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
    if (!ok_) TLOGLN(L"GDI+ did not start");
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool Ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

struct GlobalFreer {
  void operator()(void* memory) const { GlobalFree(memory); }
};
using UniqueGlobal = std::unique_ptr<void, GlobalFreer>;

struct ComReleaser {
  void operator()(IUnknown* object) const { object->Release(); }
};
using UniqueStream = std::unique_ptr<IStream, ComReleaser>;

// A stream over a copy of the bytes; the stream frees the copy when released.
UniqueStream StreamOver(std::span<const unsigned char> bytes) {
  UniqueGlobal memory(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!memory) return nullptr;
  void* data = GlobalLock(memory.get());
  if (data == nullptr) return nullptr;
  std::memcpy(data, bytes.data(), bytes.size());
  GlobalUnlock(memory.get());
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, &stream))) return nullptr;
  memory.release();  // the stream owns it now
  return UniqueStream(stream);
}

// The font of a family in the style, or else in its regular style; empty when GDI+ can make
// neither.
SkinFont TryFamily(std::unique_ptr<Gdiplus::FontFamily> family, float size, int style) {
  if (!family || family->GetLastStatus() != Gdiplus::Ok || !family->IsAvailable()) return {};
  for (const int tryStyle : {style, static_cast<int>(Gdiplus::FontStyleRegular)}) {
    auto font = std::make_unique<Gdiplus::Font>(family.get(), size, tryStyle, Gdiplus::UnitPixel);
    if (font->GetLastStatus() == Gdiplus::Ok && font->IsAvailable()) return {std::move(family), std::move(font)};
  }
  return {};
}

SkinFont TryFace(const wchar_t* face, float size, int style) {
  return TryFamily(std::make_unique<Gdiplus::FontFamily>(face), size, style);
}

// The last resort: Tahoma (Windows and Wine both have it), else the first installed family
// that makes a font.
SkinFont AnyInstalledFace(float size, int style) {
  if (SkinFont made = TryFace(L"Tahoma", size, style); made.font) return made;
  Gdiplus::InstalledFontCollection installed;
  const INT count = installed.GetFamilyCount();
  if (count <= 0) return {};
  const std::unique_ptr<Gdiplus::FontFamily[]> families(new Gdiplus::FontFamily[count]);
  INT found = 0;
  installed.GetFamilies(count, families.get(), &found);
  for (INT i = 0; i < found; ++i) {
    if (SkinFont made = TryFamily(std::unique_ptr<Gdiplus::FontFamily>(families[i].Clone()), size, style); made.font) {
      return made;
    }
  }
  return {};
}

}  // namespace

bool EnsureGdiplus() {
  static GdiplusSession session;
  return session.Ok();
}

std::unique_ptr<Gdiplus::Bitmap> DecodeImage(std::span<const unsigned char> bytes) {
  if (bytes.empty()) return nullptr;
  UniqueStream stream = StreamOver(bytes);
  if (!stream) return nullptr;
  // GDI+ reads a stream's image lazily and keeps the stream: draw it into a bitmap of our
  // own, so that the stream can go now.
  const std::unique_ptr<Gdiplus::Bitmap> decoded(Gdiplus::Bitmap::FromStream(stream.get()));
  if (!decoded || decoded->GetLastStatus() != Gdiplus::Ok) return nullptr;
  const int width = static_cast<int>(decoded->GetWidth());
  const int height = static_cast<int>(decoded->GetHeight());
  if (width <= 0 || height <= 0) return nullptr;
  auto copy = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  if (copy->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics graphics(copy.get());
  graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
  if (graphics.DrawImage(decoded.get(), 0, 0, width, height) != Gdiplus::Ok) return nullptr;
  return copy;
}

SkinFont MakeFont(const FontInfo& font) {
  int style = Gdiplus::FontStyleRegular;
  if (font.bold) style |= Gdiplus::FontStyleBold;
  if (font.italic) style |= Gdiplus::FontStyleItalic;
  if (font.underline) style |= Gdiplus::FontStyleUnderline;
  const float size = static_cast<float>(font.size > 0 ? font.size : 12);
  for (const wchar_t* face : {font.name.c_str(), L"Microsoft YaHei", L"SimSun"}) {
    SkinFont made = TryFace(face, size, style);
    if (made.font) return made;
  }
  // The generic family is null when the system has none of its faces (a bare Wine prefix).
  if (const Gdiplus::FontFamily* generic = Gdiplus::FontFamily::GenericSansSerif()) {
    SkinFont made = TryFamily(std::unique_ptr<Gdiplus::FontFamily>(generic->Clone()), size, style);
    if (made.font) return made;
  }
  return AnyInstalledFace(size, style);
}

}  // namespace SkinUI
