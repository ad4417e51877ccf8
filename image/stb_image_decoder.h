// The seam to the stb_image decoder, whose implementation is compiled in
// stb_image_decoder.cpp alone (from a system folder: its warnings are not
// ours), for PNG and JPEG only. It works on the whole file in memory.
#pragma once

#include <stddef.h>

// The picture's size and channel count (1..4) from its header. False for
// bytes the decoder cannot read.
bool DecodedImageInfo(const unsigned char* bytes, size_t size, int* width, int* height, int* channels);
// The whole picture as bytesPerPixel (3 or 4) channels, bottom row first;
// null on any fault. Free it with free().
unsigned char* DecodeImage(const unsigned char* bytes, size_t size, int bytesPerPixel);
// False for a JPEG with a Huffman table of more than 256 symbols, which
// the decoder would write past its table; such a file is refused unread.
bool JpegTablesFit(const unsigned char* bytes, size_t size);
