// Image files of any supported kind into a TextureRecord, the kind told by
// the file's first bytes, never by its name: PNG and JPEG through the
// stb_image decoder, anything else through our TGA reader.
//
// Needs: the TGA reader (its boxes, showTgaMessages and lastTgaMessage are
// shared: a bad PNG or JPEG is shown and recorded as a bad TGA is, "Could
// not read image data", or "Could not allocate memory for image" for one
// whose sides or pixel buffer exceed the limits below), and the standard
// streams.
// Pixels come out as the TGA reader gives them: R, G, B (, A) tightly
// packed, 24 bits for a picture without alpha and 32 with, and the rows
// bottom to top, as our TGA files hold them, so the same picture gives the
// same texture from either file.
// Limits: width and height 1..65535 and a pixel buffer whose size fits in
// 32 bits, checked from the header before any pixel memory is taken; the
// file is read whole into memory first (at most 2 GiB). A JPEG whose
// Huffman tables claim more than 256 symbols is refused as bad data. Process-wide state as the TGA reader's: one file at a time.
#pragma once

#include "image/tga_reader.h"

// Same contract as LoadTga: true and the caller owns the pixels, or false
// with the failure shown and no buffer held.
bool LoadImageFile(TextureRecord* record, const char* path);
