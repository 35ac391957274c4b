// A real access violation for the tools that show what a crash does.
#pragma once

// Writes through a null pointer; the undefined-behaviour checker must let it happen.
__attribute__((no_sanitize("null"), noinline)) inline void WriteToNowhere() {
  volatile int* volatile nowhere = nullptr;  // opaque to the optimiser, so the store stays
  *nowhere = 1;
}
