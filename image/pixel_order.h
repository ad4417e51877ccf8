// Pixel byte order: B, G, R (, A) as TGA files store pixels, to R, G, B (, A)
// as GL takes them, in place. Byte 1 and the alpha byte stay where they are.
//
// Needs: nothing beyond the compiler. On x86 built with GCC or Clang it
// shuffles 16 bytes at a time when the processor has SSSE3 (asked once, at
// run time); everywhere else it exchanges byte by byte. Both give the same
// bytes.
// Limits: size must be a whole number of pixels; bytesPerPixel is 3 or 4.
#pragma once

#include <stddef.h>
#include <stdint.h>

void SwapRedAndBlue(unsigned char* pixels, size_t size, uint32_t bytesPerPixel);
