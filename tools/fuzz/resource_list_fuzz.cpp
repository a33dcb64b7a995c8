// libFuzzer entry: every input is a resource list as a driver's ".Raw" value holds it, read in
// both kernels' layouts against the ISA boards its first bytes describe. Promises: nothing is
// read past the value (the sanitizers see every byte), and a conflict found is one.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "reg_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 6)
        return 0;
    Z4IsaUse use = {};
    use.any = true;
    use.interrupt = data[0] & 0x0F;
    use.boards = data[1] % 5;
    for (int b = 0; b < use.boards; ++b) {
        use.ioAddr[b] = 0x100 + (data[2 + b % 4] << 2);
        use.slot[b] = b;
    }
    // The list itself in an allocation of its own size, so that a read past it is caught.
    size_t length = size - 6;
    uint8_t *list = static_cast<uint8_t *>(std::malloc(length ? length : 1));
    std::memcpy(list, data + 6, length);
    for (bool wide : {false, true}) {
        Z4ResourceHit hit;
        if (!findZ4_list_conflict(list, length, wide, use, &hit))
            continue;
        bool real = hit.isInterrupt ? hit.interrupt == use.interrupt && use.interrupt != 0
                                    : hit.first <= hit.ioAddr + 7 && hit.last >= hit.ioAddr;
        if (!real) {
            std::fprintf(stderr, "a conflict that is none: interrupt %u, ports %X-%X at %X\n",
                         hit.interrupt, hit.first, hit.last, hit.ioAddr);
            std::abort();
        }
    }
    std::free(list);
    return 0;
}
