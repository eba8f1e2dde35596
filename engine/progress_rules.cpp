#include "engine/progress_rules.h"

uint32_t BytesPerStep(uint32_t selectedTotal) { return selectedTotal / kProgressSteps; }

uint32_t StepsReached(uint32_t copied, uint32_t bytesPerStep, uint32_t selectedTotal) {
    if (bytesPerStep != 0) return copied / bytesPerStep;
    if (selectedTotal == 0) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(copied) * kProgressSteps / selectedTotal);
}

int32_t StepsToSend(int32_t shown, int32_t done, int32_t range) {
    const int32_t from = shown < range ? shown : range;
    const int32_t to = done < range ? done : range;
    return to > from ? to - from : 0;
}

void CountSecond(ElapsedClock& clock) {
    if (++clock.seconds > 59) {
        clock.seconds = 0;
        if (++clock.minutes > 59) {
            clock.minutes = 0;
            ++clock.hours;
        }
    }
}

const char* SpinnerFrame(int32_t index) {
    static const char* const kFrames[] = {"｜", "／", "―", "＼"};
    return kFrames[index & 3];
}
