// libFuzzer entry for the label mark-up reader and layout.
#include "MarkupFuzzBody.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pv::fuzz::ExerciseMarkup(data, size);
    return 0;
}
