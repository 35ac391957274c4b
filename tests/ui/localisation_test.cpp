// The interface language on the headless platform, with skins made by 7z from tests/ui/skins:
// the language list and the system language's place in it, the texts of "language.json"
// (and the files that are not read), the first language of a window, a previous
// installation's language, the labels refitted after a change, the combo's code and the
// texts by id.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "startup/installer_config.h"
#include "tests/support/environment.h"
#include "tests/support/temp_dir.h"
#include "toolkit/controls.h"
#include "toolkit/headless_platform.h"
#include "toolkit/language_table.h"
#include "toolkit/skin_window.h"
#include "ui/localisation.h"
#include "ui/system_language.h"
#include "utils/folders.h"

using namespace SkinUI;

namespace {

// The test skins by resource id, each archive with another "language.json".
enum SkinArchive : int {
  kLanguage = 1,
  kNoLanguage,
  kEmptyLanguage,
  kBrokenLanguage,
  kLanguageAtLimit,
  kLanguageOverLimit,
};

const std::map<int, const char*> kArchiveFiles{
    {kLanguage, "language.7z"},
    {kNoLanguage, "no_language.7z"},
    {kEmptyLanguage, "empty_language.7z"},
    {kBrokenLanguage, "broken_language.7z"},
    {kLanguageAtLimit, "language_at_limit.7z"},
    {kLanguageOverLimit, "language_over_limit.7z"},
};

std::vector<unsigned char> ReadArchive(const char* name) {
  const std::filesystem::path path =
      std::filesystem::path(Utils::DirectoryOf(Utils::GetExecutablePath())) / TAVELO_UI_TEST_SKINS / name;
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Text 101 of the test "language.json" by language index; a language it lacks has none.
std::wstring LanguageLabelOf(int index) {
  static const std::map<int, std::wstring> labels{{0, L"Language"}, {1, L"语言"},   {5, L"Sprache"}, {6, L"Langue"},
                                                  {7, L"Idioma"},   {9, L"言語"}, {12, L"Taal"}};
  const auto found = labels.find(index);
  return found == labels.end() ? L"" : found->second;
}

// A window of the test skins that keeps the "itemselect" notifications it receives.
class LanguageWindow : public SkinWindow {
 public:
  LanguageWindow(int archive, std::wstring file) : archive_(archive), file_(std::move(file)) {}
  std::wstring GetSkinFile() const override { return file_; }
  int GetResourceID() const override { return archive_; }
  std::wstring GetWindowClassName() const override { return L"LanguageWnd"; }
  void Notify(const SkinUI::Notify& notify) override {
    if (notify.type == L"itemselect") selections.push_back(static_cast<int>(notify.wParam));
    SkinWindow::Notify(notify);
  }

  Combo& LanguageCombo() { return *dynamic_cast<Combo*>(FindControl(L"languageCombo")); }
  std::wstring Shown(const wchar_t* name) { return FindControl(name)->DisplayText(); }

  std::vector<int> selections;

 private:
  int archive_;
  std::wstring file_;
};

class Localisation : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& [id, file] : kArchiveFiles) {
      archives_[id] = ReadArchive(file);
      ASSERT_FALSE(archives_[id].empty()) << file << " was not built";
    }
    SetPlatform(&platform_);
    SetResourceLoader([this](int type, int id) {
      const auto found = archives_.find(id);
      return type == 4 && found != archives_.end() ? std::span<const unsigned char>(found->second)
                                                   : std::span<const unsigned char>();
    });
    savedLanguage_ = g_InstallerConfig.Language;
  }
  void TearDown() override {
    g_InstallerConfig.Language = savedLanguage_;
    SetResourceLoader({});
    SetPlatform(nullptr);
    ClearLanguageTexts();
  }

  // A window of an archive, made; null (with a failure) when its skin does not load.
  std::unique_ptr<LanguageWindow> Open(int archive, const wchar_t* file = L"MainWnd.xml") {
    auto window = std::make_unique<LanguageWindow>(archive, file);
    if (!window->Create(nullptr, L"Quorrin")) {
      ADD_FAILURE() << "the test skin did not load";
      return nullptr;
    }
    return window;
  }

  // Texts registered before a load, which show whether the load replaced them.
  static void RegisterEarlierTexts() {
    for (const wchar_t* id : {L"101", L"102", L"103", L"104"}) SetLanguageText(id, L"earlier");
  }

  HeadlessPlatform platform_;
  std::map<int, std::vector<unsigned char>> archives_;
  std::int32_t savedLanguage_ = -1;
};

}  // namespace

TEST(LanguageList, SystemLanguageIdentifiersMapToTheirLanguages) {
  ASSERT_EQ(LanguageCodes().size(), 14u);
  EXPECT_EQ(&LanguageCodes(), &LanguageCodes()) << "one list for the process";
  const struct {
    unsigned langId;
    const wchar_t* code;
  } cases[] = {
      {1033, L"en-US"}, {1028, L"zh-TW"}, {1057, L"id-ID"}, {1055, L"tr-TR"}, {1031, L"de-DE"},
      {1036, L"fr-FR"}, {1034, L"es-ES"}, {2058, L"es-ES"}, {3082, L"es-ES"}, {20490, L"es-ES"},
      {1046, L"pt-PT"}, {1041, L"ja-JP"}, {1042, L"ko-KR"}, {1045, L"pl-PL"}, {1043, L"nl-NL"},
      {2067, L"nl-NL"}, {1040, L"it-IT"},
      // Not in the table: Chinese (PRC), Portuguese (Portugal), Spanish (United States),
      // Russian, nothing.
      {2052, L"en-US"}, {2070, L"en-US"}, {21514, L"en-US"}, {1049, L"en-US"}, {0, L"en-US"},
  };
  for (const auto& c : cases) {
    const int index = LanguageIndexForLangId(c.langId);
    ASSERT_GE(index, 0);
    ASSERT_LT(index, 14);
    EXPECT_EQ(LanguageCodes()[static_cast<std::size_t>(index)], c.code) << c.langId;
  }
  EXPECT_EQ(LanguageCodes(), (std::vector<std::wstring>{L"en-US", L"zh-CN", L"zh-TW", L"id-ID", L"tr-TR", L"de-DE",
                                                         L"fr-FR", L"es-ES", L"pt-PT", L"ja-JP", L"ko-KR", L"pl-PL",
                                                         L"nl-NL", L"it-IT"}));
}

TEST(LanguageList, LocaleNamesMapToLanguageIdentifiers) {
  const struct {
    const char* locale;
    unsigned langId;
  } cases[] = {
      {"fr_FR.UTF-8", 1036}, {"es_MX", 2058}, {"zh_CN.GB2312", 2052}, {"en_US", 1033},  {"nl_BE@euro", 2067},
      {"de-AT", 3079},       {"ZH_tw", 1028}, {"pt_PT.UTF-8", 2070},  {"ja_JP.eucJP", 1041},
      // A territory the table lacks, or none: the language's main variant.
      {"fr_SN", 1036}, {"es", 3082}, {"pt", 1046},
      // Nothing known: US English.
      {"C", 1033}, {"C.UTF-8", 1033}, {"POSIX", 1033}, {"", 1033}, {"xx_YY", 1033}, {"_FR", 1033},
  };
  for (const auto& c : cases) EXPECT_EQ(localisation_detail::LangIdForLocaleName(c.locale), c.langId) << c.locale;
}

TEST_F(Localisation, TheChosenLanguagesTextsAreRegistered) {
  auto window = Open(kLanguage);
  ASSERT_TRUE(window);
  const struct {
    int index;
    const wchar_t* code;
    int expected;
    const wchar_t* label;  // text 101
    const wchar_t* notice;  // text 104
  } cases[] = {
      {9, L"", 9, L"言語", L"ディスクの空き容量が不足しています。1GB以上の空きを確保してください"},
      {0, L"zh-CN", 1, L"语言", L"磁盘空间不足，请至少保留1GB可用空间"},
      {3, L"de-DE", 5, L"Sprache", L"Nicht genug Speicherplatz: mindestens 1 GB frei lassen"},
      // An index not in the list, without a code: English.
      {14, L"", 0, L"Language", L"Not enough disk space: keep at least 1 GB free"},
      {-1, L"", 0, L"Language", L"Not enough disk space: keep at least 1 GB free"},
      // A code not in the list keeps the given index, and the file holds no text for it.
      {4, L"xx-XX", 4, L"", L""},
      {0, L"de", 0, L"", L""},
      // A listed language the file has no texts for.
      {2, L"", 2, L"", L""},
  };
  for (const auto& c : cases) {
    RegisterEarlierTexts();
    EXPECT_EQ(LoadLanguageTexts(*window, c.index, c.code), c.expected) << c.index << " " << c.code;
    EXPECT_EQ(GetLanguageText(101), c.label) << c.index << " " << c.code;
    EXPECT_EQ(GetLanguageText(104), c.notice) << c.index << " " << c.code;
    EXPECT_EQ(window->Shown(L"lbLanguage"), c.label) << "the skin's reference shows the registered text";
  }
  // Elements that are not objects, and ids that are not numbers, register nothing.
  EXPECT_EQ(LoadLanguageTexts(*window, 0, L""), 0);
  EXPECT_EQ(SkinUI::GetLanguageText(L"105"), L"");
  EXPECT_EQ(SkinUI::GetLanguageText(L"0"), L"");
}

// A file nested beyond the reader's limit of a thousand levels is no JSON, and the texts stay
// as they were.
TEST_F(Localisation, DeeplyNestedLanguageFilesAreNoJson) {
  RegisterEarlierTexts();
  for (const std::string& json : {std::string(5000, '['), "[{\"id\":101,\"x\":" + std::string(2000, '[')}) {
    EXPECT_FALSE(RegisterLanguageTexts(json, "x")) << json.substr(0, 40);
  }
  EXPECT_EQ(GetLanguageText(101), L"earlier");
  EXPECT_TRUE(RegisterLanguageTexts(R"([{"id":101,"x":"deep enough"}])", "x"));
  EXPECT_EQ(GetLanguageText(101), L"deep enough");
}

TEST_F(Localisation, LanguageFilesThatAreNotReadLeaveTheTexts) {
  const struct {
    int archive;
    std::optional<std::size_t> size;  // of "language.json"; none without the file
    int expected;
    const wchar_t* label;  // text 101 afterwards
  } cases[] = {
      {kNoLanguage, std::nullopt, 0, L"earlier"},
      {kEmptyLanguage, 0u, 0, L"earlier"},
      {kLanguageOverLimit, 4194305u, 0, L"earlier"},
      {kLanguageAtLimit, 4194304u, 6, L"Langue"},
      // Read, but not JSON: the index all the same.
      {kBrokenLanguage, 34u, 6, L"earlier"},
  };
  for (const auto& c : cases) {
    auto window = Open(c.archive);
    ASSERT_TRUE(window);
    const std::vector<unsigned char>* file = window->FindSkinFile(L"language.json");
    ASSERT_EQ(file != nullptr, c.size.has_value()) << "the test archive is not as intended";
    if (file != nullptr) ASSERT_EQ(file->size(), *c.size) << "the test archive is not as intended";
    RegisterEarlierTexts();
    EXPECT_EQ(LoadLanguageTexts(*window, 6, L""), c.expected) << c.archive;
    EXPECT_EQ(window->Shown(L"lbLanguage"), c.label) << c.archive;
  }
}

TEST_F(Localisation, TheConfiguredLanguageIsChosenOverTheSystems) {
  // A French system where the locale names it; the configuration names Japanese.
  testsupport::ScopedEnvironment french("LC_ALL", "fr_FR.UTF-8");
  g_InstallerConfig.Language = 9;
  auto window = Open(kLanguage);
  ASSERT_TRUE(window);
  ChooseInitialLanguage(*window, window->LanguageCombo());
  EXPECT_EQ(window->LanguageCombo().CurrentSel(), 9);
  EXPECT_EQ(window->selections, (std::vector<int>{9})) << "selected with its notification";
  EXPECT_EQ(g_InstallerConfig.Language, 9);
  EXPECT_EQ(window->Shown(L"lbLanguage"), L"言語");
  EXPECT_EQ(GetSelectedLanguageCode(&window->LanguageCombo()), L"ja-JP");
}

TEST_F(Localisation, WithoutAConfiguredLanguageTheSystemsIsChosen) {
  testsupport::ScopedEnvironment french("LC_ALL", "fr_FR.UTF-8");
  g_InstallerConfig.Language = -1;
  const int system = DetectSystemLanguage();
  ASSERT_GE(system, 0);
  ASSERT_LT(system, 14);
  auto window = Open(kLanguage);
  ASSERT_TRUE(window);
  ChooseInitialLanguage(*window, window->LanguageCombo());
  EXPECT_EQ(window->LanguageCombo().CurrentSel(), system);
  EXPECT_EQ(window->selections, (std::vector<int>{system}));
  EXPECT_EQ(g_InstallerConfig.Language, system);
  EXPECT_EQ(window->Shown(L"lbLanguage"), LanguageLabelOf(system));
}

TEST_F(Localisation, APreviousInstallationsLanguageComesFromItsConfigIni) {
  const struct {
    std::optional<std::string> configIni;
    int expected;
    const wchar_t* label;
  } cases[] = {
      {"[Install]\r\nInstallPath=C:\\Quorrin\r\nLanguage=de-DE\r\n", 5, L"Sprache"},
      {"[Install]\nLanguage=nl-NL\n", 12, L"Taal"},
      // Without the key: English.
      {"[Install]\r\nInstallPath=C:\\Quorrin\r\n[Other]\r\nLanguage=de-DE\r\n", 0, L"Language"},
      // Without the file: no code, so the index 0.
      {std::nullopt, 0, L"Language"},
      // A code not in the list: the index 0, and no texts.
      {"[Install]\r\nLanguage=xx-XX\r\n", 0, L""},
  };
  auto window = Open(kLanguage);
  ASSERT_TRUE(window);
  for (const auto& c : cases) {
    testsupport::TempDir temp;
    // A folder name outside every ANSI code page, as under a user name in another script.
    const std::wstring installDir = Utils::JoinPath(temp.WPath(), testsupport::kNameOutsideAnsiCodePage);
    ASSERT_TRUE(Utils::CreateDirectoryTree(installDir));
    if (c.configIni) {
      std::ofstream(testsupport::FsPath(Utils::JoinPath(installDir, L"config.ini")), std::ios::binary) << *c.configIni;
    }
    RegisterEarlierTexts();
    EXPECT_EQ(GetExistingInstallLanguage(*window, installDir), c.expected) << c.configIni.value_or("(no file)");
    EXPECT_EQ(GetLanguageText(101), c.label) << c.configIni.value_or("(no file)");
  }
}

TEST_F(Localisation, ApplyingALanguageRefitsTheLabelsAndStoresIt) {
  auto window = Open(kLanguage);
  ASSERT_TRUE(window);
  // The headless host measures a Latin character as half the font's size (rounded up) and
  // a CJK one as the whole size. lbLanguage: font 14, left text padding 6; lbInstallPath:
  // font 14, no padding; backBtn: font 20, left text padding 4.
  const struct {
    int index;
    int stored;
    int language, installPath, back;
  } cases[] = {
      {5, 5, 7 * 7 + 6, 15 * 7, 6 * 10 + 4},    // Sprache, Installieren in, Zurück
      {1, 1, 2 * 14 + 6, 4 * 14, 2 * 20 + 4},  // 语言, 安装位置, 返回
      {40, 0, 8 * 7 + 6, 10 * 7, 4 * 10 + 4},  // not listed: Language, Install to, Back
  };
  for (const auto& c : cases) {
    ApplyLanguage(*window, c.index);
    EXPECT_EQ(g_InstallerConfig.Language, c.stored) << c.index;
    EXPECT_EQ(window->FindControl(L"lbLanguage")->FixedWidth(), c.language) << c.index;
    EXPECT_EQ(window->FindControl(L"lbInstallPath")->FixedWidth(), c.installPath) << c.index;
    EXPECT_EQ(window->FindControl(L"backBtn")->FixedWidth(), c.back) << c.index;
  }

  // A window without those labels still gets its texts and the stored language.
  auto extra = Open(kLanguage, L"ExtraWnd.xml");
  ASSERT_TRUE(extra);
  ApplyLanguage(*extra, 7);
  EXPECT_EQ(g_InstallerConfig.Language, 7);
  EXPECT_EQ(extra->Shown(L"noticeLbl"), L"Espacio en disco insuficiente: deje al menos 1 GB libre");

  // Without "language.json" nothing is loaded, and the index stored is 0.
  auto bare = Open(kNoLanguage);
  ASSERT_TRUE(bare);
  ApplyLanguage(*bare, 9);
  EXPECT_EQ(g_InstallerConfig.Language, 0);
}

TEST_F(Localisation, TheSelectedCodeNeedsAComboAndAListedIndex) {
  EXPECT_EQ(GetSelectedLanguageCode(nullptr), L"");
  auto window = Open(kLanguage);
  ASSERT_TRUE(window);
  EXPECT_EQ(GetSelectedLanguageCode(&window->LanguageCombo()), L"") << "nothing selected yet";
  ASSERT_TRUE(window->LanguageCombo().SelectItem(12, false));
  EXPECT_EQ(GetSelectedLanguageCode(&window->LanguageCombo()), L"nl-NL");
  ASSERT_TRUE(window->LanguageCombo().SelectItem(0, false));
  EXPECT_EQ(GetSelectedLanguageCode(&window->LanguageCombo()), L"en-US");

  auto extra = Open(kLanguage, L"ExtraWnd.xml");
  ASSERT_TRUE(extra);
  ASSERT_TRUE(extra->LanguageCombo().SelectItem(13, false));
  EXPECT_EQ(GetSelectedLanguageCode(&extra->LanguageCombo()), L"it-IT");
  ASSERT_TRUE(extra->LanguageCombo().SelectItem(14, false));
  EXPECT_EQ(GetSelectedLanguageCode(&extra->LanguageCombo()), L"") << "one item more than there are languages";
}

TEST_F(Localisation, TheLowDiskSpaceNoticeComesFromTheLanguageTexts) {
  EXPECT_EQ(GetLanguageText(104), L"") << "no texts registered";
  auto window = Open(kLanguage);
  ASSERT_TRUE(window);
  ASSERT_EQ(LoadLanguageTexts(*window, 1, L""), 1);
  EXPECT_EQ(GetLanguageText(104), L"磁盘空间不足，请至少保留1GB可用空间");
  ASSERT_EQ(LoadLanguageTexts(*window, 0, L"en-US"), 0);
  EXPECT_EQ(GetLanguageText(104), L"Not enough disk space: keep at least 1 GB free");
  EXPECT_EQ(GetLanguageText(-104), L"");
}
