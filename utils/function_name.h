// Compile-time qualified function name for log lines ("Class::method"), taken from the
// compiler's pretty function signature: return type and parameter list are cut off. Inside
// a lambda the compiler's full name of the call operator is kept, which begins with the
// enclosing function's name ("CDownloadInstaller::Start(int)::<lambda(...)>").
#pragma once

#include <cstddef>

namespace logging_detail {

template <std::size_t N>
struct FunctionName {
  wchar_t text[N]{};
};

constexpr bool StartsWithAt(const char* s, std::size_t at, const char* word) {
  for (std::size_t i = 0; word[i] != '\0'; ++i) {
    if (s[at + i] != word[i]) return false;
  }
  return true;
}

// Returns [begin, end) of the qualified name inside a pretty signature of length n.
constexpr void QualifiedNameRange(const char* s, std::size_t n, std::size_t& begin, std::size_t& end) {
  begin = 0;
  end = n;
  // Lambdas: GCC prints no return type, keep everything.
  for (std::size_t i = 0; i + 9 <= n; ++i) {
    if (StartsWithAt(s, i, "::<lambda")) return;
  }
  // Cut a template argument note: " [with T = int]".
  for (std::size_t i = 0; i + 2 <= n; ++i) {
    if (s[i] == ' ' && s[i + 1] == '[') {
      n = i;
      end = i;
      break;
    }
  }
  // The parameter list starts at the first '(' outside template brackets, except the
  // parentheses of "operator()".
  int depth = 0;
  std::size_t paren = n;
  for (std::size_t i = 0; i < n; ++i) {
    char c = s[i];
    if (c == '<') ++depth;
    else if (c == '>') --depth;
    else if (c == '(' && depth == 0) {
      if (i >= 8 && StartsWithAt(s, i - 8, "operator") && i + 1 < n && s[i + 1] == ')') {
        ++i;
        continue;
      }
      paren = i;
      break;
    }
  }
  end = paren;
  // The name starts after the last blank outside template brackets before it.
  depth = 0;
  for (std::size_t i = paren; i > 0; --i) {
    char c = s[i - 1];
    if (c == '>') ++depth;
    else if (c == '<') --depth;
    else if (c == ' ' && depth == 0) {
      // "operator new" and friends keep their blank.
      if (i >= 9 && StartsWithAt(s, i - 9, "operator")) continue;
      begin = i;
      break;
    }
  }
  // A pointer or reference return type glues to the name ("char *Foo::bar").
  while (begin < end && (s[begin] == '*' || s[begin] == '&')) ++begin;
}

template <std::size_t N>
constexpr FunctionName<N> MakeFunctionName(const char (&pretty)[N]) {
  FunctionName<N> out{};
  std::size_t begin = 0, end = 0;
  QualifiedNameRange(pretty, N - 1, begin, end);
  std::size_t k = 0;
  for (std::size_t i = begin; i < end; ++i) out.text[k++] = static_cast<wchar_t>(static_cast<unsigned char>(pretty[i]));
  out.text[k] = L'\0';
  return out;
}

}  // namespace logging_detail

namespace logging_detail {
template <FunctionName Name>
struct StaticFunctionName {
  static constexpr FunctionName value = Name;
};
}  // namespace logging_detail

// The name is computed by the compiler and stored once per function, not built at run time.
#define TAVELO_FUNCTION_NAME()                                                                     \
  (::logging_detail::StaticFunctionName<::logging_detail::MakeFunctionName(__PRETTY_FUNCTION__)>::value.text)
