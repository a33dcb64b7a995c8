// libFuzzer entry: every input is a registry and a user session run through the whole tool.
#include "store_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::run_store_sequence(data, size);
    return 0;
}
