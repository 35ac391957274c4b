// POSIX: a UTF-8 character type for the reading thread, so that libarchive can convert
// every entry name whatever the process's locale is (the "C" locale would refuse Chinese).
#include <locale.h>

#include <memory>
#include <type_traits>

#include "toolkit/archive_names.h"

namespace SkinUI {
namespace {

struct LocaleFree {
  void operator()(locale_t locale) const { freelocale(locale); }
};
using UniqueLocale = std::unique_ptr<std::remove_pointer_t<locale_t>, LocaleFree>;

// The thread's locale for one scope; the previous one comes back at its end.
class ThreadLocaleScope {
 public:
  explicit ThreadLocaleScope(locale_t locale) : previous_(uselocale(locale)) {}
  ~ThreadLocaleScope() { uselocale(previous_); }
  ThreadLocaleScope(const ThreadLocaleScope&) = delete;
  ThreadLocaleScope& operator=(const ThreadLocaleScope&) = delete;

 private:
  locale_t previous_;
};

}  // namespace

void ReadWithWideNames(const std::function<void()>& read) {
  const UniqueLocale utf8(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0)));
  if (!utf8) {
    // No UTF-8 locale on this system: ASCII names still convert; files whose names do
    // not are left out.
    read();
    return;
  }
  const ThreadLocaleScope scope(utf8.get());
  read();
}

}  // namespace SkinUI
