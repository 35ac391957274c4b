// The installer's analytics reports: start and stop of the process-wide tracker with the
// installer's settings, and the task, click, view and crash reports, each carrying the
// installer's A/B value. Every routine does nothing while analytics is switched off.
#pragma once

#include <map>
#include <string>

namespace usage::zelkor {
struct TrackerSettings;
}

// Pairs attached to a report; the installer passes "AB" = its A/B value.
using ReportPairs = std::map<std::wstring, std::wstring>;

// The tracker's settings from the installer's configuration.
usage::zelkor::TrackerSettings InstallerTrackerSettings();

void StartInstallerAnalytics();
void StopInstallerAnalytics();
void ReportTask(const ReportPairs& pairs, const std::wstring& name, float elapsedSeconds, const std::wstring& reason);
void ReportClick(const ReportPairs& pairs, const std::wstring& name);
void ReportView(const ReportPairs& pairs, const std::wstring& name);
void ReportCrash();
