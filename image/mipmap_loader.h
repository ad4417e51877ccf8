// Mipmapped TGA loader and file-length query: toolkit routines for scenes.
//
// Needs: the standard buffered streams and allocator, a current GL context,
// and GLU's mipmap builder. Neither routine shows a box or writes to the
// report: failures are told by the result alone (and one printed line from
// GetFileLength).
// Reads: uncompressed true-colour TGA only (type 2, 24 or 32 bits, no image
// ID, no colour map, zero origin); a run-length file is refused.
// Limits: the texture always has 3 internal components (alpha stays in the
// record's pixels only); a pixel buffer that does not fit in 32 bits of size
// is refused. GetFileLength's 666 for "cannot open" is also the length of a
// 666-byte file, and lengths beyond a signed 32-bit number are not covered.
#pragma once

#include "image/tga_reader.h"

// 0 = texture made and bound, the caller owns record->pixels (R, G, B (, A)).
// 1 = failure: no texture name was made and the record holds no buffer.
int LoadMipmappedTga(TextureRecord* record, const char* path);

// The reading half of LoadMipmappedTga, without GL: same results, same
// record fields. Exposed so the parser can be driven on its own.
int ReadMipmappedTgaPixels(TextureRecord* record, const char* path);

// Length in bytes, or 666 after printing a line when the file cannot be
// opened.
int GetFileLength(const char* path);
