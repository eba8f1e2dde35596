// Arithmetic of the progress display: bar steps from byte counts, the
// elapsed clock and the spinner. No windows here.
#ifndef ENGINE_PROGRESS_RULES_H
#define ENGINE_PROGRESS_RULES_H

#include <cstdint>

constexpr uint32_t kProgressSteps = 1000;

// Bytes per bar step for a selected total: total / 1000, rounded down.
uint32_t BytesPerStep(uint32_t selectedTotal);

// Steps reached after `copied` bytes. Below 1000 bytes in all the step size
// is 0; the steps then follow the share of the total, so a complete copy
// still ends at the bar's end (and a total of 0 gives no steps).
uint32_t StepsReached(uint32_t copied, uint32_t bytesPerStep, uint32_t selectedTotal);

// Bar steps to send when the count moves from `shown` to `done` steps. Only
// forward moves are sent, and none past the bar's range: a progress bar
// stepped past its end starts again from the beginning.
int32_t StepsToSend(int32_t shown, int32_t done, int32_t range);

// The elapsed clock: one counted second more.
struct ElapsedClock {
    int32_t hours = 0;
    int32_t minutes = 0;
    int32_t seconds = 0;
};
void CountSecond(ElapsedClock& clock);

constexpr uint32_t kSpinnerPeriod = 131072;  // ticks per spinner frame
// Frame k (0 to 3) of the spinner: ｜ ／ ― ＼ (code page 932).
const char* SpinnerFrame(int32_t index);

#endif
