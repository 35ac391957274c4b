// Fuzz target of the image-sequence frame names: the first four bytes are the frame number,
// the rest, byte by byte, the skin's pattern. A name fits the buffer, is the same every
// time, and a pattern without a '%' names nothing; a step of a sequence over the pattern
// never shows a frame when the pattern is empty.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ui/sequence_controls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t frame = 0;
  const std::size_t head = size < sizeof frame ? size : sizeof frame;
  if (head != 0) std::memcpy(&frame, data, head);
  const std::wstring pattern(data + head, data + size);
  const std::wstring name = ui::FormatFrameName(pattern, frame);
  if (name.size() >= ui::kFrameNameCapacity) std::abort();
  if (ui::FormatFrameName(pattern, frame) != name) std::abort();
  if (!name.empty() && pattern.find(L'%') == std::wstring::npos) std::abort();

  ui::SequenceState state;
  state.pattern = pattern;
  state.count = frame % 4;
  state.frame = frame;
  state.pingPong = (frame & 0x10000u) != 0;
  state.loop = (frame & 0x20000u) != 0;
  const ui::SequenceStep step = ui::StepSequence(state);
  if (pattern.empty() && (step.show || step.stop)) std::abort();
  return 0;
}
