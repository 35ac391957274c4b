// The behaviour table: each entry writes its lines through the platform's unbuffered
// standard output, one write per line unless the behaviour is about one big write.
#include "tools/standin/scripts.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "tools/entry/std_streams.h"
#include "tools/standin/behaviours.h"
#include "tools/standin/platform.h"
#include "utils/folders.h"
#include "utils/text.h"

namespace standin {

using tools::SpawnDetached;
using tools::WriteErr;
using tools::WriteOut;

namespace {

void Say(const std::string& line) { WriteOut(line + "\n"); }
void SayAll(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) Say(line);
}
void SleepMs(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
std::string Utf8(const wchar_t* text) { return Utils::ToNarrow(text, Utils::kCodePageUtf8); }

// Whole lines "KEY=xxxx\n" of 64 bytes each, `bytes` in all (a multiple of 64).
std::string Lines(const std::string& key, unsigned long bytes) {
  std::string line = key + "=";
  while (line.size() < 63) line.push_back(static_cast<char>('a' + line.size() % 26));
  line.push_back('\n');
  std::string text;
  text.reserve(bytes);
  while (text.size() + line.size() <= bytes) text += line;
  return text;
}

// One block of exactly 1024 bytes: head, then fill up to a closing line feed.
std::string Block(std::string head, char fill) {
  head.resize(1023, fill);
  return head + "\n";
}

int Finish(const Role& role) {
  if (!role.work()) {
    Say(role.failure);
    return 1;
  }
  SayAll(role.results);
  Say("State=Success");
  return 0;
}

int Normal(const Role& role) {
  SayAll(role.opening);
  return Finish(role);
}

int Steps(const Role& role) {
  SayAll(role.opening);
  for (int tenth = 2; tenth <= 9; ++tenth) Say("Progress=0." + std::to_string(tenth));
  return Finish(role);
}

int Slow(const Role& role) {
  SayAll(role.opening);
  for (int tenth = 2; tenth <= 8; tenth += 2) {
    Say("Progress=0." + std::to_string(tenth));
    SleepMs(kSlowPauseMs);
  }
  return Finish(role);
}

int Fail(const Role& role) {
  SayAll(role.opening);
  Say("State=Fail");
  return 1;
}

int Error(const Role& role) {
  SayAll(role.opening);
  Say("Encode=UTF8");
  Say("Error=" + Utf8(kErrorText));
  return 1;
}

int LateFail(const Role& role) {
  SayAll(role.opening);
  Say("Progress=0.5");
  SleepMs(kLatePauseMs);
  Say("State=Fail");
  return 1;
}

int Utf8Message(const Role& role) {
  Say("Encode=UTF8");
  Say("Message=" + Utf8(kMessageText));
  return Normal(role);
}

int Cp936Message(const Role& role) {
  Say(std::string("Message=") + kMessageBytesCp936);
  return Normal(role);
}

int Silent(const Role& role) { return role.work() ? 0 : 1; }

int NoResult(const Role& role) {
  Say("Progress=0.3");
  const bool done = role.work();
  Say("Progress=0.6");
  return done ? 0 : 1;
}

int Crash(const Role& role) {
  SayAll(role.opening);
  Say("Progress=0.2");
  CrashNow();
}

int Garbage(const Role& role) {
  WriteOut(Block("Encode=UTF8\nPadding=", 'p'));
  static const char kBad[] = "\xFF\xFE\xC3\x28 \x80\x81\r\n\x01\x02\x1B[0m\xED\xA0\x80\0\0\xF8\x88\x80\x80\x80\xC0\xAF\0";
  WriteOut(Block(std::string(kBad, sizeof(kBad)), '\xFF'));
  return Normal(role);
}

int LongLine(const Role& role) {
  SayAll(role.opening);
  Say("Message=" + std::string(kLongLineBytes, 'L'));
  return Finish(role);
}

int FloodAfterResult(const Role& role) {
  const int code = Normal(role);
  WriteOut(Lines("Trailing", kFloodBytes));
  return code;
}

int Burst(const Role& role) {
  SayAll(role.opening);
  std::string burst;
  char line[32];
  for (unsigned i = 1; i <= kBurstLines; ++i) {
    std::snprintf(line, sizeof(line), "Progress=%u.%03u\n", i / 1000, i % 1000);
    burst += line;
  }
  WriteOut(burst);
  return Finish(role);
}

int StderrFlood(const Role& role) {
  SayAll(role.opening);
  WriteErr(Lines("Noise", kFloodBytes));
  return Finish(role);
}

int Grandchild(const Role& role) {
  SayAll(role.opening);
  const std::wstring linger = Utils::ToWide(kLingerArgument + std::to_string(kGrandchildMs), Utils::kCodePageUtf8);
  if (!SpawnDetached({Utils::GetExecutablePath(), linger})) {
    Say("Error=cannot start the grandchild");
    return 1;
  }
  return Finish(role);
}

struct Script {
  const char* name;
  int (*play)(const Role&);
};

constexpr Script kScripts[] = {
    {kSuccess, Normal},
    {kKeep, Normal},  // the package role's work writes the setting
    {kSteps, Steps},
    {kSlow, Slow},
    {kFail, Fail},
    {kError, Error},
    {kLateFail, LateFail},
    {kUtf8Message, Utf8Message},
    {kCp936Message, Cp936Message},
    {kSilent, Silent},
    {kNoResult, NoResult},
    {kCrash, Crash},
    {kGarbage, Garbage},
    {kLongLine, LongLine},
    {kFloodAfterResult, FloodAfterResult},
    {kBurst, Burst},
    {kStderrFlood, StderrFlood},
    {kGrandchild, Grandchild},
};

}  // namespace

int Play(const std::string& behaviour, const Role& role) {
  if (behaviour.empty()) return Normal(role);
  for (const Script& script : kScripts) {
    if (behaviour == script.name) return script.play(role);
  }
  Say("Error=unknown stand-in behaviour " + behaviour);
  return 2;
}

}  // namespace standin
