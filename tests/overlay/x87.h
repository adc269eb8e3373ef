// What a host may have done to the x87 unit before it calls the library:
// Direct3D 9, for one, sets its precision to 24 bits. For the length of a
// scope, on 32-bit x86 only (elsewhere nothing changes, and the x87 unit is
// not used for double arithmetic anyway).
#pragma once

#include <cstdint>

class X87Precision {
public:
    enum Bits { Unchanged, Bits24 };

    explicit X87Precision(Bits bits)
    {
#if defined(__i386__)
        asm volatile("fnstcw %0" : "=m"(saved_));
        if (bits == Bits24) {
            const uint16_t single = saved_ & ~0x0300;  // precision control 00
            asm volatile("fldcw %0" : : "m"(single));
        }
#else
        (void)bits;
#endif
    }
    ~X87Precision()
    {
#if defined(__i386__)
        asm volatile("fldcw %0" : : "m"(saved_));
#endif
    }
    X87Precision(const X87Precision &) = delete;
    X87Precision &operator=(const X87Precision &) = delete;

private:
    uint16_t saved_ = 0;
};
