// Runs the installer's entry sequence (start-up, tracker, command line, shut-down) with the
// installer's analytics reports in place of the main window:
//   task:NAME  click:NAME  view:NAME   the report, with the pair "AB" = the current A/B text
//   ab:TEXT                            the A/B text of the reports that follow (at first the
//                                      configuration's)
//   crash                              a real access violation, which the crash filter reports
// Every argument is also seen by the entry sequence, so the installer's "-name=value"
// switches apply as they do to the installer. The exit code is the entry sequence's.
#include <string>
#include <vector>

#include "analytics/installer_reports.h"
#include "startup/entry_sequence.h"
#include "startup/installer_config.h"
#include "tools/entry/access_violation.h"
#include "tools/entry/tool_main.h"

namespace {

// The text after prefix when word starts with it.
bool Take(const std::wstring& word, const std::wstring& prefix, std::wstring& rest) {
  if (word.compare(0, prefix.size(), prefix) != 0) return false;
  rest = word.substr(prefix.size());
  return true;
}

void MakeReports(const std::vector<std::wstring>& args) {
  std::wstring ab = GetAbValue();
  std::wstring name;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::wstring& word = args[i];
    if (Take(word, L"ab:", name)) {
      ab = name;
    } else if (Take(word, L"task:", name)) {
      ReportTask({{L"AB", ab}}, name, 0.0f, L"");
    } else if (Take(word, L"click:", name)) {
      ReportClick({{L"AB", ab}}, name);
    } else if (Take(word, L"view:", name)) {
      ReportView({{L"AB", ab}}, name);
    } else if (word == L"crash") {
      WriteToNowhere();
    }
  }
}

}  // namespace

int ToolMain(const std::vector<std::wstring>& args) {
  return RunEntrySequence(nullptr, [&args](void*) { MakeReports(args); });
}
