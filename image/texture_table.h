// Texture table: the program's store of loaded images, and the start-up set.
//
// Needs: the TGA reader (and image_file.h's for other kinds), the debug report and a current GL context (the
// render window's). Every load is logged to the report; the reader shows its
// own failures.
// Limits: 30 slots (0..29); a slot number outside them is refused before
// anything is read or written. A start-up image path must fit the 48-byte
// path buffer with its terminating zero; one that does not is refused and
// that slot counts as failed. Texture names are never deleted: they end with
// the GL context that made them, and the table forgets them then.
#pragma once

#include "image/tga_reader.h"

enum { TEXTURE_SLOTS = 30, TEXTURE_PATH_SIZE = 48 };

extern TextureRecord textureTable[TEXTURE_SLOTS];

// Where the start-up set lives, relative to the working directory, with the
// platform's separator at the end.
extern const char startupImageFolder[];

// True when the slot's texture exists in the current GL context. The new
// texture is left bound to GL_TEXTURE_2D.
bool LoadTextureSlot(const char* path, int slot);
// The same for any image file LoadImageFile reads (TGA, PNG, JPEG), told
// apart by its contents: the same report lines, boxes and failed-load line.
bool LoadImageSlot(const char* path, int slot);
// Slots 0, 1 and 2 from folder; only slot 2 decides the result.
bool LoadStartupImages(const char* folder);
// The context that made the slots' textures is gone: every slot's name goes
// back to 0, since the next context hands the same names out again. A demo
// may then tell by a slot's name whether it still has to load it.
void ForgetTextures();
