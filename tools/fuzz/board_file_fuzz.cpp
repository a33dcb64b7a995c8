// libFuzzer entry: every input is a registry and a board file run through "/s".
#include "board_file_run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::run_board_file(data, size);
    return 0;
}
