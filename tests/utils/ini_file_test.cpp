// The INI (profile) reader and writer on real files: one table of file bytes, section, key,
// fallback and buffer capacity against the text Windows returns, and one of writes read
// back. The Windows build runs them against GetPrivateProfileStringW and
// WritePrivateProfileStringW (under Wine), the native build against the POSIX reader and
// writer, so both are held to the same answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/temp_dir.h"
#include "utils/ini_file.h"
#include "utils/text.h"

namespace {

using namespace std::string_literals;

struct IniCase {
  const char* name;
  std::optional<std::string> file;  // the file's bytes; nullopt: no file
  std::wstring section;
  std::wstring key;
  std::wstring fallback;
  std::size_t capacity;
  std::wstring expected;
};

// UTF-16 files with their byte-order mark; the text holds only characters of one code unit.
std::string Utf16(std::wstring_view text, bool bigEndian = false) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t c : text) {
    const char low = static_cast<char>(c & 0xFF);
    const char high = static_cast<char>((c >> 8) & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

std::string Utf16Be(std::wstring_view text) { return Utf16(text, true); }

constexpr std::size_t kBig = 260;

const std::string kQuotes =
    "[s]\na=\"x\"\nb='x'\nc=\"x'\nd=\"x\ne=x\"\nf=\"\"\ng=\"\nh=\" x \"\ni= \"x\" \nj=\"a\"b\"\nk=\" \"\nl='  '\n";
const std::string kNuls = "[s]\na=ab \0cd\nb=\"ab\0cd\"\nc=\"ab\"\0 junk\nk \0x=v\nd= \0x\nn\0x=v\nm=a\0jm=b\n"s;
const std::wstring kUnicodeBlanks = L"[s]\r\n\x00A0k\x00A0=\x00A0v\x00A0\r\n\x3000j\x3000=\x3000w\x3000\r\n";
const std::string kHeaders = "[a]b]\nk=1\n[unclosed\nk=2\n[s] x]y\nk=3\n[t]k=4\nj=5\n[ u ] v ]\nk=6\n[c[d]\nk=7\n";

const IniCase kCases[] = {
    // Lookup, names without case, missing pieces.
    {"found", "[s]\nk=v\n", L"s", L"k", L"D", kBig, L"v"},
    {"names compare without case", "[InStAlL]\nDoWnLoAdUrL=x\n", L"INSTALL", L"downloadurl", L"D", kBig, L"x"},
    {"only A-Z fold: @ is not `", "[a@]\nk[=v\n", L"A`", L"k{", L"D", kBig, L"D"},
    {"only A-Z fold: [ stays [", "[a@]\nk[=v\n", L"A@", L"K[", L"D", kBig, L"v"},
    {"accented letters do not fold", Utf16(L"[\x00C4s]\r\n\x00C9k=v\r\n"), L"\x00E4s", L"\x00E9k", L"D", kBig, L"D"},
    {"accented letters match themselves", Utf16(L"[\x00C4s]\r\n\x00C9k=v\r\n"), L"\x00C4S", L"\x00C9K", L"D", kBig, L"v"},
    {"missing file", std::nullopt, L"s", L"k", L"D", kBig, L"D"},
    {"empty file", "", L"s", L"k", L"D", kBig, L"D"},
    {"missing section", "[s]\nk=v\n", L"x", L"k", L"D", kBig, L"D"},
    {"missing key", "[s]\nk=v\n", L"s", L"x", L"D", kBig, L"D"},
    {"empty value is not missing", "[s]\nk=\n", L"s", L"k", L"D", kBig, L""},
    {"blank value is empty", "[s]\nk=   \n", L"s", L"k", L"D", kBig, L""},
    {"no buffer", "[s]\nk=v\n", L"s", L"k", L"D", 0, L""},

    // Blanks: only the ASCII ones (tab to carriage return, space) are trimmed.
    {"blanks around name and value", "[s]\n  k  =  v w  \n", L"s", L"k", L"D", kBig, L"v w"},
    {"tabs around name and value", "[s]\n\tk\t=\tv\t\n", L"s", L"k", L"D", kBig, L"v"},
    {"vertical tab and form feed", "[s]\n\vk\f=\fv\v\n", L"s", L"k", L"D", kBig, L"v"},
    {"no-break space is not a blank", Utf16(kUnicodeBlanks), L"s", L"k", L"D", kBig, L"D"},
    {"no-break space is part of the name", Utf16(kUnicodeBlanks), L"s", L"\x00A0k\x00A0", L"D", kBig, L"\x00A0v\x00A0"},
    {"ideographic space is part of the name", Utf16(kUnicodeBlanks), L"s", L"\x3000j\x3000", L"D", kBig, L"\x3000w\x3000"},
    {"other controls are not blanks", "[s]\n\x1Ck=v\n", L"s", L"k", L"D", kBig, L"D"},
    {"asked names are trimmed", "[Install]\nk=v\n", L" Install ", L" k ", L"D", kBig, L"v"},
    {"asked names lose tabs and line ends", "[s]\nk=v\n", L"\n\ts \r", L"\vk\r\n", L"D", kBig, L"v"},
    {"asked names keep a no-break space", "[s]\nk=v\n", L"\x00A0s", L"k", L"D", kBig, L"D"},
    {"header names are trimmed", "  [ s ]  \nk=v\n", L"s", L"k", L"D", kBig, L"v"},
    {"header names lose tabs", "[\ts\t]\nk=v\n", L"s", L"k", L"D", kBig, L"v"},

    // Quotes: one pair of the same kind, around the whole trimmed value.
    {"double quotes", kQuotes, L"s", L"a", L"D", kBig, L"x"},
    {"single quotes", kQuotes, L"s", L"b", L"D", kBig, L"x"},
    {"mixed quotes stay", kQuotes, L"s", L"c", L"D", kBig, L"\"x'"},
    {"opening quote alone stays", kQuotes, L"s", L"d", L"D", kBig, L"\"x"},
    {"closing quote alone stays", kQuotes, L"s", L"e", L"D", kBig, L"x\""},
    {"empty quotes", kQuotes, L"s", L"f", L"D", kBig, L""},
    {"one quote character", kQuotes, L"s", L"g", L"D", kBig, L"\""},
    {"blanks inside quotes stay", kQuotes, L"s", L"h", L"D", kBig, L" x "},
    {"blanks outside quotes go first", kQuotes, L"s", L"i", L"D", kBig, L"x"},
    {"only the outer pair goes", kQuotes, L"s", L"j", L"D", kBig, L"a\"b"},
    {"quoted blank", kQuotes, L"s", L"k", L"D", kBig, L" "},
    {"single-quoted blanks", kQuotes, L"s", L"l", L"D", kBig, L"  "},
    {"quotes around a key name stay", "[s]\n\"k\"=v\n", L"s", L"\"k\"", L"D", kBig, L"v"},
    {"quotes around a section name stay", "[\"s\"]\nk=v\n", L"s", L"k", L"D", kBig, L"D"},

    // Other characters have no meaning.
    {"equals inside the value", "[s]\nk=a=b\n", L"s", L"k", L"D", kBig, L"a=b"},
    {"empty key name", "[s]\n=e\n", L"s", L"", L"D", kBig, L"e"},
    {"blank key name asked", "[s]\n = e\n", L"s", L" ", L"D", kBig, L"e"},
    {"blanks inside a key name", "[s]\n a b =c\n", L"s", L"a b", L"D", kBig, L"c"},
    {"semicolon is part of the key", "[s]\n;k=v\nk=x\n", L"s", L";k", L"D", kBig, L"v"},
    {"semicolon line is not a comment", "[s]\n;k=v\nk=x\n", L"s", L"k", L"D", kBig, L"x"},
    {"hash is part of the key", "[s]\n#j=w\n", L"s", L"j", L"D", kBig, L"D"},
    {"text after the value stays", "[s]\nk=v ; c\n", L"s", L"k", L"D", kBig, L"v ; c"},

    // First key and first section win.
    {"first key wins", "[s]\nk=1\nk=2\n", L"s", L"k", L"D", kBig, L"1"},
    {"first section wins", "[s]\nk=1\n[t]\nj=x\n[S]\nk=3\nm=4\n", L"s", L"m", L"D", kBig, L"D"},
    {"later sections still found", "[s]\nk=1\n[t]\nj=x\n[S]\nk=3\nm=4\n", L"t", L"j", L"D", kBig, L"x"},

    // A key line without '='.
    {"key without equals gives the fallback", "[s]\nk\nm=1\n", L"s", L"k", L"D", kBig, L"D"},
    {"key and blank without equals", "[s]\nj \nm=1\n", L"s", L"j", L"D", kBig, L"D"},
    {"key without equals hides a later value", "[s]\nk\nk=v\n", L"s", L"k", L"D", kBig, L"D"},
    {"key without equals and empty fallback", "[s]\nk\n", L"s", L"k", L"", kBig, L""},
    {"blank lines are not keys", "[s]\n   \n\t\nk=v\n", L"s", L"", L"D", kBig, L"D"},

    // Line ends: a carriage return ends a line alone, with or without line feeds elsewhere.
    {"CRLF", "[s]\r\nk=v\r\na=b\r\n", L"s", L"a", L"D", kBig, L"b"},
    {"bare CR only: first key", "[s]\rk=v\ra=b\r", L"s", L"k", L"D", kBig, L"v"},
    {"bare CR only: second key", "[s]\rk=v\ra=b\r", L"s", L"a", L"D", kBig, L"b"},
    {"bare CR only: not one line", "[s]\rk=v\ra=b\r", L"s", L"k=v", L"D", kBig, L"D"},
    {"bare CR among LF: before", "[s]\nk=v\ra=b\nc=d\n", L"s", L"k", L"D", kBig, L"v"},
    {"bare CR among LF: after", "[s]\nk=v\ra=b\nc=d\n", L"s", L"a", L"D", kBig, L"b"},
    {"bare CR among CRLF: before", "[s]\r\nk=v\ra=b\r\nc=d\r\n", L"s", L"k", L"D", kBig, L"v"},
    {"bare CR among CRLF: after", "[s]\r\nk=v\ra=b\r\nc=d\r\n", L"s", L"a", L"D", kBig, L"b"},
    {"bare CR among CRLF: next line", "[s]\r\nk=v\ra=b\r\nc=d\r\n", L"s", L"c", L"D", kBig, L"d"},
    {"bare CR after the header only", "[s]\rk=v\na=b\n", L"s", L"k", L"D", kBig, L"v"},
    {"bare CR cuts a value", "[s]\nk=a\rb\nj=w\n", L"s", L"k", L"D", kBig, L"a"},
    {"text after a bare CR is a key line", "[s]\nk=a\rb\nj=w\n", L"s", L"b", L"D", kBig, L"D"},
    {"text after a bare CR is a key", "[s]\r\nk=a\rb=c\r\n", L"s", L"b", L"D", kBig, L"c"},
    {"bare CR in UTF-16", Utf16(L"[s]\rk=v\ra=b\r\nc=d\r\n"), L"s", L"a", L"D", kBig, L"b"},
    {"LF CR", "[s]\n\rk=v\n\ra=b", L"s", L"a", L"D", kBig, L"b"},
    {"CR CR LF", "[s]\r\r\nk=v\r\r\n", L"s", L"k", L"D", kBig, L"v"},
    {"only CRs", "\r\r[s]\r\r k = v \r", L"s", L"k", L"D", kBig, L"v"},
    {"no final line end", "[s]\nk=v", L"s", L"k", L"D", kBig, L"v"},
    {"form feed does not end a line", "[s]\nk=a\fj=b\n", L"s", L"k", L"D", kBig, L"a\fj=b"},
    {"ctrl-Z does not end a line", "[s]\nk=a\x1Aj=b\n", L"s", L"k", L"D", kBig, L"a\x1Aj=b"},
    {"NEL does not end a line", Utf16(L"[s]\r\nk=a\x0085j=b\r\n"), L"s", L"k", L"D", kBig, L"a\x0085j=b"},
    {"line separator does not end a line", Utf16(L"[s]\r\nk=a\x2028j=b\r\n"), L"s", L"k", L"D", kBig, L"a\x2028j=b"},

    // Keys before any header belong to the nameless section, which comes first.
    {"key before any section", "k=v\n[s]\nj=w\n", L"", L"k", L"D", kBig, L"v"},
    {"key before any section, blank name asked", "k=v\n[s]\nj=w\n", L" ", L"k", L"D", kBig, L"v"},
    {"key before any section is not in the next", "k=v\n[s]\nj=w\n", L"s", L"k", L"D", kBig, L"D"},
    {"section after leading keys", "k=v\n[s]\nj=w\n", L"s", L"j", L"D", kBig, L"w"},
    {"leading keys without a section", "k=v\n", L"", L"k", L"D", kBig, L"v"},
    {"nameless section ends at the first header", "k=1\n[s]\nj=2\n", L"", L"j", L"D", kBig, L"D"},
    {"[] is not the nameless section", "[]\nk=v\n", L"", L"k", L"D", kBig, L"D"},
    {"[ ] is not the nameless section", "[  ]\nk=v\n", L"", L"k", L"D", kBig, L"D"},
    {"leading keys before []", "k0=z\n[]\nk=v\n", L"", L"k0", L"D", kBig, L"z"},
    {"keys after [] unreachable", "k0=z\n[]\nk=v\n", L"", L"k", L"D", kBig, L"D"},

    // Malformed headers: the name runs to the last ']'; without ']' the line is a key line.
    {"[a]b] is not a", kHeaders, L"a", L"k", L"D", kBig, L"D"},
    {"[a]b] is a]b", kHeaders, L"a]b", L"k", L"D", kBig, L"1"},
    {"[a]b] is not a]b]", kHeaders, L"a]b]", L"k", L"D", kBig, L"D"},
    {"[unclosed is no section", kHeaders, L"unclosed", L"k", L"D", kBig, L"D"},
    {"[unclosed is not [unclosed", kHeaders, L"[unclosed", L"k", L"D", kBig, L"D"},
    {"unclosed header is a key without value", "[s]\n[unclosed\n[unclosed=v\n", L"s", L"[unclosed", L"D", kBig, L"D"},
    {"unclosed header before any section", "[unclosed\nk=v\n", L"", L"k", L"D", kBig, L"v"},
    {"unclosed header with equals is a key", "[s]\n[k=v\nj=w\n", L"s", L"[k", L"D", kBig, L"v"},
    {"unclosed header in a section", "[s]\n[unclosed\nk=v\n", L"s", L"k", L"D", kBig, L"v"},
    {"header name to the last bracket", kHeaders, L"s] x", L"k", L"D", kBig, L"3"},
    {"header name is not to the first bracket", kHeaders, L"s", L"k", L"D", kBig, L"D"},
    {"text after the header is ignored", kHeaders, L"t", L"k", L"D", kBig, L"D"},
    {"key after a header with text", kHeaders, L"t", L"j", L"D", kBig, L"5"},
    {"header name trimmed to the last bracket", kHeaders, L"u ] v", L"k", L"D", kBig, L"6"},
    {"open bracket inside a header", kHeaders, L"c[d", L"k", L"D", kBig, L"7"},
    {"header with text after", "[s] junk\nk=v\n", L"s", L"k", L"D", kBig, L"v"},
    {"close bracket first is a key line", "]s[\nk=v\n", L"", L"k", L"D", kBig, L"v"},
    {"CR inside a header breaks it", "[s\r]\nk=v\n", L"", L"k", L"D", kBig, L"v"},
    {"CR inside a header: no section", "[s\r]\nk=v\n", L"s", L"k", L"D", kBig, L"D"},

    // NUL: names and values end at it; it does not end a line.
    {"NUL in a value", "[s]\nk=ab\0cd\nj=w\n"s, L"s", L"k", L"D", kBig, L"ab"},
    {"line after a NUL", "[s]\nk=ab\0cd\nj=w\n"s, L"s", L"j", L"D", kBig, L"w"},
    {"NUL in a UTF-16 value", Utf16(L"[s]\r\nk=ab\0cd\r\n"s), L"s", L"k", L"D", kBig, L"ab"},
    {"blank before a NUL stays", kNuls, L"s", L"a", L"D", kBig, L"ab "},
    {"NUL before the closing quote", kNuls, L"s", L"b", L"D", kBig, L"\"ab"},
    {"NUL after the closing quote", kNuls, L"s", L"c", L"D", kBig, L"ab"},
    {"blank before a NUL in a key", kNuls, L"s", L"k", L"D", kBig, L"D"},
    {"value starting with a NUL", kNuls, L"s", L"d", L"D", kBig, L""},
    {"NUL in a key", kNuls, L"s", L"n", L"D", kBig, L"v"},
    {"NUL does not end a line", kNuls, L"s", L"jm", L"D", kBig, L"D"},
    {"NUL starting a line: empty key", "[s]\n\0k=v\nj=w\n"s, L"s", L"", L"D", kBig, L"v"},
    {"NUL starting a line: not the key", "[s]\n\0k=v\nj=w\n"s, L"s", L"k", L"D", kBig, L"D"},
    {"NUL before the equals", "[s]\nk\0=v\n"s, L"s", L"k", L"D", kBig, L"v"},
    {"NUL in a key line without equals", "[s]\nk\0\nk=v\n"s, L"s", L"k", L"D", kBig, L"D"},
    {"NUL line is an empty key without value", "[s]\n  \0  \n=v\n"s, L"s", L"", L"D", kBig, L"D"},
    {"NUL in a header", "[s\0t]\nk=v\n[u]\nj=w\n"s, L"s", L"k", L"D", kBig, L"v"},
    {"header after a NUL header", "[s\0t]\nk=v\n[u]\nj=w\n"s, L"u", L"j", L"D", kBig, L"w"},
    {"NUL starting a header", "[\0s]\nk=v\n"s, L"", L"k", L"D", kBig, L"D"},
    {"asked names end at a NUL", "[s]\nk=v\n", L"s\0t"s, L"k\0j"s, L"D", kBig, L"v"},
    {"fallback ends at a NUL", std::nullopt, L"s", L"k", L"D\0x"s, kBig, L"D"},

    // Cut to the buffer: capacity - 1 characters.
    {"cut", "[s]\nb=abcdef\n", L"s", L"b", L"D", 4, L"abc"},
    {"cut to one", "[s]\nb=abcdef\n", L"s", L"b", L"D", 2, L"a"},
    {"cut to nothing", "[s]\nb=abcdef\n", L"s", L"b", L"D", 1, L""},
    {"exact fit", "[s]\nb=abcdef\n", L"s", L"b", L"D", 7, L"abcdef"},
    {"long line cut", "[s]\nk=" + std::string(5000, 'v') + "\nj=w\n", L"s", L"k", L"D", 5, L"vvvv"},
    {"line after a long line", "[s]\nk=" + std::string(5000, 'v') + "\nj=w\n", L"s", L"j", L"D", kBig, L"w"},
    {"default capacity", "[s]\nk=" + std::string(300, 'v') + "\n", L"s", L"k", L"D", kBig, std::wstring(259, L'v')},
    // A quoted value meets the cut: the closing quote goes when it fits; a buffer exactly one
    // short of it loses the last inner character instead.
    {"quoted, room for both quotes", "[s]\na=\"abcdef\"\n", L"s", L"a", L"D", 8, L"abcdef"},
    {"quoted, one short", "[s]\na=\"abcdef\"\n", L"s", L"a", L"D", 7, L"abcde"},
    {"quoted, cut inside", "[s]\na=\"abcdef\"\n", L"s", L"a", L"D", 4, L"abc"},
    {"quoted, cut to one", "[s]\na=\"abcdef\"\n", L"s", L"a", L"D", 2, L"a"},
    {"quoted, cut to nothing", "[s]\na=\"abcdef\"\n", L"s", L"a", L"D", 1, L""},
    {"short quoted, one short", "[s]\nj=\"ab\"\n", L"s", L"j", L"D", 3, L"a"},
    {"quoted blanks cut", "[s]\nk=\"a  b\"\n", L"s", L"k", L"D", 4, L"a  "},

    // The fallback: trailing spaces dropped (never its first character), then quotes and cut.
    {"fallback trailing spaces", std::nullopt, L"s", L"k", L"D  ", kBig, L"D"},
    {"fallback trailing spaces, file present", "[s]\nk=v\n", L"s", L"x", L"D  ", kBig, L"D"},
    {"fallback leading spaces stay", std::nullopt, L"s", L"k", L"  D", kBig, L"  D"},
    {"fallback trailing tab stays", std::nullopt, L"s", L"k", L"D\t", kBig, L"D\t"},
    {"fallback tab before trailing space", std::nullopt, L"s", L"k", L"D\t ", kBig, L"D\t"},
    {"fallback of spaces keeps one", std::nullopt, L"s", L"k", L"  ", kBig, L" "},
    {"fallback of spaces after a key without equals", "[s]\nk\n", L"s", L"k", L"  ", kBig, L" "},
    {"empty fallback", "[s]\nk=v\n", L"s", L"x", L"", kBig, L""},
    {"fallback cut", std::nullopt, L"s", L"k", L"abcdef", 4, L"abc"},
    {"fallback spaces go before the cut", std::nullopt, L"s", L"k", L"a  b", 3, L"a "},
    {"fallback spaces cut", std::nullopt, L"s", L"k", L"abc  ", 3, L"ab"},
    {"fallback double quotes", std::nullopt, L"s", L"k", L"\"D\"", kBig, L"D"},
    {"fallback single quotes", "[s]\nk=v\n", L"x", L"k", L"'D'", kBig, L"D"},
    {"fallback mixed quotes", "[s]\n", L"s", L"k", L"'D\"", kBig, L"'D\""},
    {"fallback opening quote alone", std::nullopt, L"s", L"k", L"\"D", kBig, L"\"D"},
    {"fallback text after the quotes", std::nullopt, L"s", L"k", L"\"D\"x", kBig, L"\"D\"x"},
    {"fallback blanks outside the quotes", std::nullopt, L"s", L"k", L" \"D\" ", kBig, L" \"D\""},
    {"fallback spaces after the quotes", std::nullopt, L"s", L"k", L"\"D\"  ", kBig, L"D"},
    {"fallback empty quotes", std::nullopt, L"s", L"k", L"\"\"", kBig, L""},
    {"fallback quote and spaces", std::nullopt, L"s", L"k", L"\"  ", kBig, L"\""},
    {"fallback quoted space", std::nullopt, L"s", L"k", L"\" \"", kBig, L" "},
    {"fallback quoted, cut inside", "[s]\nk=v\n", L"x", L"k", L"\"abcdef\"", 4, L"abc"},
    {"fallback quoted, one short", std::nullopt, L"s", L"k", L"\"ab\"", 3, L"a"},
    {"fallback quoted with spaces, one short", std::nullopt, L"s", L"k", L"\"ab\"  ", 3, L"a"},
    {"key without equals, quoted fallback", "[s]\nk\n", L"s", L"k", L"\"q\"", kBig, L"q"},

    // Encodings: a byte-order mark chooses UTF-16 (either order) or UTF-8.
    {"UTF-16 little-endian", Utf16(L"[s]\r\nk=\x4E2D\x6587\r\n"), L"s", L"k", L"D", kBig, L"\x4E2D\x6587"},
    {"UTF-16 big-endian", Utf16Be(L"[s]\r\nk=\x4E2D\x6587\r\n"), L"s", L"k", L"D", kBig, L"\x4E2D\x6587"},
    {"UTF-16 big-endian, LF, no final line end", Utf16Be(L"[s]\nk=v"), L"s", L"k", L"D", kBig, L"v"},
    {"UTF-16 without a mark is not read as such", std::string(Utf16(L"[s]\r\nk=v\r\n"), 2), L"s", L"k", L"D", kBig, L"D"},
    {"UTF-16 mark only", "\xFF\xFE", L"s", L"k", L"D", kBig, L"D"},
    {"UTF-8 with a mark", "\xEF\xBB\xBF[s]\nk=\xC3\xA9\n", L"s", L"k", L"D", kBig, L"\x00E9"},
    {"UTF-8 mark, then blanks and header", "\xEF\xBB\xBF  [s]\nk=v\n", L"s", L"k", L"D", kBig, L"v"},
    {"UTF-8 mark only", "\xEF\xBB\xBF", L"s", L"k", L"D", kBig, L"D"},
    {"UTF-8 mark inside the file is text", "[s]\n\xEF\xBB\xBFk=v\n", L"s", L"k", L"D", kBig, L"D"},
};

TEST(IniFile, ReaderTable) {
  testsupport::TempDir dir;
  int index = 0;
  for (const IniCase& c : kCases) {
    SCOPED_TRACE(c.name);
    // A file name of its own per row: the Windows profile functions may keep a file they
    // have read, and a rewrite within the same second could be missed.
    const std::string fileName = "case" + std::to_string(index++) + ".ini";
    const std::wstring path = c.file ? dir.Write(fileName, *c.file).wstring() : (dir.Path() / fileName).wstring();
    EXPECT_EQ(Utils::ReadIniString(path, c.section, c.key, c.fallback, c.capacity), c.expected);
  }
}

struct IniWrite {
  std::wstring section;
  std::wstring key;
  std::wstring value;
  bool written = true;
};

struct IniRead {
  std::wstring section;
  std::wstring key;
  std::wstring expected;  // "D" when the key must be absent
};

struct WriteCase {
  const char* name;
  std::optional<std::string> file;  // the file's bytes before the writes; nullopt: no file
  std::vector<IniWrite> writes;
  std::vector<IniRead> reads;
};

const std::string kSettings = "[Install]\r\nAppName=Old\r\nDeviceID=1\r\n\r\n[Uninstall]\r\nIsOverride=false\r\n";

const WriteCase kWriteCases[] = {
    {"new file", std::nullopt, {{L"Install", L"APPStore", L"TaveloInstaller.exe"}},
     {{L"Install", L"APPStore", L"TaveloInstaller.exe"}}},
    {"value replaced, the rest kept", kSettings, {{L"Install", L"AppName", L"Tavelo"}},
     {{L"Install", L"AppName", L"Tavelo"}, {L"Install", L"DeviceID", L"1"}, {L"Uninstall", L"IsOverride", L"false"}}},
    {"key added to its own section", kSettings, {{L"Install", L"QOUsageAnalyticsIni", L"q.ini"}},
     {{L"Install", L"QOUsageAnalyticsIni", L"q.ini"},
      {L"Uninstall", L"QOUsageAnalyticsIni", L"D"},
      {L"Uninstall", L"IsOverride", L"false"},
      {L"Install", L"DeviceID", L"1"}}},
    {"section added after a last line without line end", "[Install]\nAppName=a",
     {{L"Init", L"UpdateTime", L"2024-05-06 07:08:09"}},
     {{L"Init", L"UpdateTime", L"2024-05-06 07:08:09"}, {L"Install", L"AppName", L"a"}}},
    {"names matched without case", "[INSTALL]\nappname=Old\n", {{L"Install", L"AppName", L"New"}},
     {{L"install", L"APPNAME", L"New"}}},
    {"key added to the first section of its name", "[s]\nk=1\n[t]\nj=2\n[S]\nk=3\n", {{L"s", L"m", L"4"}},
     {{L"s", L"m", L"4"}, {L"s", L"k", L"1"}, {L"t", L"j", L"2"}}},
    {"key without '=' gets the value", "[s]\nk\nj=1\n", {{L"s", L"k", L"v"}}, {{L"s", L"k", L"v"}, {L"s", L"j", L"1"}}},
    {"later writes replace earlier ones", std::nullopt,
     {{L"Install", L"DeviceID", L"first"}, {L"Install", L"DeviceID", L"second"}, {L"Install", L"AppName", L"Tavelo"}},
     {{L"Install", L"DeviceID", L"second"}, {L"Install", L"AppName", L"Tavelo"}}},
    {"empty value", std::nullopt, {{L"s", L"k", L""}}, {{L"s", L"k", L""}}},
    {"blanks and quotes around a value read without them", std::nullopt, {{L"s", L"k", L"  \"q\"  "}},
     {{L"s", L"k", L"q"}}},
    {"UTF-16 file keeps its other text", Utf16(L"[s]\r\nk=\x4E2D\r\nj=old\r\n"), {{L"s", L"j", L"\x6587"}},
     {{L"s", L"j", L"\x6587"}, {L"s", L"k", L"\x4E2D"}}},
    {"empty names refused", "[s]\nk=1\n", {{L"", L"k", L"x", false}, {L"s", L"", L"x", false}}, {{L"s", L"k", L"1"}}},
};

TEST(IniFile, WritesReadBack) {
  testsupport::TempDir dir;
  std::set<std::filesystem::path> files;
  int index = 0;
  for (const WriteCase& c : kWriteCases) {
    SCOPED_TRACE(c.name);
    const std::string fileName = "write" + std::to_string(index++) + ".ini";
    const std::filesystem::path path = c.file ? dir.Write(fileName, *c.file) : dir.Path() / fileName;
    for (const IniWrite& w : c.writes) {
      EXPECT_EQ(Utils::WriteIniString(path.wstring(), w.section, w.key, w.value), w.written);
    }
    for (const IniRead& r : c.reads) {
      EXPECT_EQ(Utils::ReadIniString(path.wstring(), r.section, r.key, L"D"), r.expected)
          << Utils::ToNarrow(r.section + L"/" + r.key, Utils::kCodePageUtf8);
    }
    files.insert(path);
  }
  // Nothing else is left in the folder (no temporary files).
  std::set<std::filesystem::path> found;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) found.insert(entry.path());
  EXPECT_EQ(found, files);
}

TEST(IniFile, WriteFailsWhereNoFileCanBe) {
  testsupport::TempDir dir;
  EXPECT_FALSE(Utils::WriteIniString((dir.Path() / "missing" / "set.ini").wstring(), L"s", L"k", L"v"));
  std::filesystem::create_directory(dir.Path() / "folder.ini");
  EXPECT_FALSE(Utils::WriteIniString((dir.Path() / "folder.ini").wstring(), L"s", L"k", L"v"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "folder.ini"));
}

}  // namespace
