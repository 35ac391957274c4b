/* StdOut: an NSIS plugin for the product's setup package and its uninstaller. StdOut::Write
   pops one string and writes it, followed by a line feed, to the process's standard output
   in a single WriteFile: in the system ANSI code page until the script has written an
   "Encode=" line naming another (UTF8, ACP or a code page number), in that one after it. */
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

/* The few declarations of the Unicode plugin interface that this plugin needs. */
typedef struct nsis_stack_item {
  struct nsis_stack_item* next;
  WCHAR text[1]; /* string_size characters in fact */
} nsis_stack_item;

enum nsis_plugin_message { NSIS_PLUGIN_UNLOAD, NSIS_PLUGIN_GUIUNLOAD };
typedef UINT_PTR(__cdecl* nsis_plugin_callback)(enum nsis_plugin_message);

typedef struct {
  void* exec_flags;
  int(__stdcall* execute_code_segment)(int, HWND);
  void(__stdcall* validate_filename)(WCHAR*);
  int(__stdcall* register_plugin_callback)(HMODULE, nsis_plugin_callback);
} nsis_extra_parameters;

static HMODULE self_module;
static UINT output_code_page = CP_ACP;
static BOOL kept_loaded;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) self_module = instance;
  return TRUE;
}

/* The installer unloads a plugin after each call unless it has registered a callback;
   registering one keeps the code page choice for the whole run. */
static UINT_PTR __cdecl on_plugin_message(enum nsis_plugin_message message) {
  (void)message;
  return 0;
}

static void keep_loaded(nsis_extra_parameters* extra) {
  if (kept_loaded || extra == NULL || extra->register_plugin_callback == NULL) return;
  kept_loaded = extra->register_plugin_callback(self_module, on_plugin_message) >= 0;
}

static BOOL is_blank(WCHAR c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

static BOOL equals_ascii(const WCHAR* begin, const WCHAR* end, const char* word) {
  for (; begin < end && *word != '\0'; ++begin, ++word) {
    if (*begin != (WCHAR)(unsigned char)*word) return FALSE;
  }
  return begin == end && *word == '\0';
}

/* An "Encode=" line changes the code page of the lines after it: "UTF8", "ACP", or a
   decimal code page number; anything else means the ANSI code page. */
static void follow_encode_line(const WCHAR* line) {
  static const WCHAR key[] = L"Encode=";
  const WCHAR* value = line;
  const WCHAR* end;
  UINT number = 0;
  BOOL digits = FALSE;
  for (const WCHAR* k = key; *k != L'\0'; ++k, ++value) {
    if (*value != *k) return;
  }
  while (is_blank(*value)) ++value;
  end = value + lstrlenW(value);
  while (end > value && is_blank(end[-1])) --end;
  if (equals_ascii(value, end, "UTF8")) {
    output_code_page = CP_UTF8;
    return;
  }
  for (const WCHAR* c = value; c < end && *c >= L'0' && *c <= L'9' && number < 100000; ++c) {
    number = number * 10 + (UINT)(*c - L'0');
    digits = TRUE;
  }
  output_code_page = digits ? number : CP_ACP;
}

static void write_line(const WCHAR* text) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  const int length = lstrlenW(text);
  int size;
  char* bytes;
  DWORD written = 0;
  if (output == NULL || output == INVALID_HANDLE_VALUE) return;
  size = length == 0 ? 0 : WideCharToMultiByte(output_code_page, 0, text, length, NULL, 0, NULL, NULL);
  if (size < 0 || (length > 0 && size == 0)) return; /* a code page this system lacks */
  bytes = (char*)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)size + 1);
  if (bytes == NULL) return;
  if (size > 0) WideCharToMultiByte(output_code_page, 0, text, length, bytes, size, NULL, NULL);
  bytes[size] = '\n';
  WriteFile(output, bytes, (DWORD)size + 1, &written, NULL); /* a closed reader is no error here */
  HeapFree(GetProcessHeap(), 0, bytes);
}

/* StdOut::Write "text" */
__declspec(dllexport) void __cdecl Write(HWND parent, int string_size, WCHAR* variables,
                                         nsis_stack_item** stack_top, nsis_extra_parameters* extra) {
  nsis_stack_item* top;
  (void)parent;
  (void)string_size;
  (void)variables;
  keep_loaded(extra);
  if (stack_top == NULL || *stack_top == NULL) return;
  top = *stack_top;
  *stack_top = top->next;
  write_line(top->text);
  follow_encode_line(top->text);
  GlobalFree((HGLOBAL)top);
}
