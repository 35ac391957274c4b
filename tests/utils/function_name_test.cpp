// The call-site function name: class and method, also for templates, operators and lambdas.
#include <gtest/gtest.h>

#include <string>

#include "utils/function_name.h"

namespace {

struct CCurlDownloader {
  static std::wstring dlThreadFun(void*) { return TAVELO_FUNCTION_NAME(); }
  std::wstring operator()(int) const { return TAVELO_FUNCTION_NAME(); }
  template <class T>
  static std::wstring Get() {
    return TAVELO_FUNCTION_NAME();
  }
  static const char* PointerResult(std::wstring& out) {
    out = TAVELO_FUNCTION_NAME();
    return nullptr;
  }
  static std::wstring InLambda() {
    auto lambda = [](int, double, const wchar_t*) { return std::wstring(TAVELO_FUNCTION_NAME()); };
    return lambda(0, 0, nullptr);
  }
};

}  // namespace

TEST(FunctionName, QualifiedNameWithoutReturnTypeOrParameters) {
  const std::wstring prefix = L"{anonymous}::CCurlDownloader::";
  EXPECT_EQ(CCurlDownloader::dlThreadFun(nullptr), prefix + L"dlThreadFun");
  EXPECT_EQ(CCurlDownloader{}(1), prefix + L"operator()");
  EXPECT_EQ(CCurlDownloader::Get<int>(), prefix + L"Get");
  std::wstring name;
  CCurlDownloader::PointerResult(name);
  EXPECT_EQ(name, prefix + L"PointerResult");
}

TEST(FunctionName, LambdaNameBeginsWithTheEnclosingFunction) {
  const std::wstring name = CCurlDownloader::InLambda();
  EXPECT_EQ(name.rfind(L"{anonymous}::CCurlDownloader::InLambda", 0), 0u) << std::string(name.begin(), name.end());
  EXPECT_NE(name.find(L"<lambda"), std::wstring::npos);
}
