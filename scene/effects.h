// Effect primitives: the toolkit that scenes are built from. A second sprite
// routine, four fades, a spinning quad and two full-view backdrops, each a
// self-contained drawing call made inside a frame. The shipped scene calls
// none of them.
//
// Needs the fixed GL state of the render window (2D texturing on, blend
// function source alpha / one, depth test on, modelview current), the
// texture table and the random source. No primitive reads the clock or
// keeps state between calls; t is in the caller's units.
// Limits: a textureTable slot outside 0..29 binds texture name 0 (the quad
// draws untextured, as an unloaded slot would); DrawSpriteHalfTurn refuses
// a slot outside spriteTextureNames and then does nothing at all.
#pragma once

#include <stdint.h>

enum { SPRITE_TEXTURE_SLOTS = 32 };

// Texture names for DrawSpriteHalfTurn, by slot. All zero at start; nothing
// in the system writes them, so that sprite draws with texture name 0
// unless a scene fills this table itself.
extern uint32_t spriteTextureNames[SPRITE_TEXTURE_SLOTS];

// DrawSprite's quad at (x, y, z) turned a fixed 180 degrees about z, with
// the texture of spriteTextureNames[slot]. Changes the bound texture and
// the colour; the matrix too when keepMatrix is true.
void DrawSpriteHalfTurn(float x, float y, float z, int slot, unsigned char alpha, bool keepMatrix,
                        bool randomColour);

// Overlays just beyond the near plane, alpha 1 - 0.001 t, not clamped (GL
// clamps when it draws). They leave blending off, the depth test on and the
// fade's colour current; texturing is left as it is, so with 2D texturing
// on the overlay is modulated by the bound texture.
void DrawBlackFadeFloat(float t);
void DrawWhiteFade(uint32_t t);
void DrawBlackFade(uint32_t t);

// Overlay 1 unit in front, textured from the slot in (grey, grey, grey),
// alpha 1 - 0.0001 t clamped to 0..1. Leaves 2D texturing on, blending off,
// the depth test on, the slot's texture bound and the colour (1, 1, 1, 1).
// No texture coordinates are sent: the whole overlay takes the texel at
// the current texture coordinate.
void DrawTexturedFade(float t, int slot, float grey);

// Upside-down textured quad at (x, y, z) turned by 22.5 t degrees (-22.5 t
// when reverse). No push or pop: the translation and rotation stay on the
// current matrix, so calls in a row compose; bracket the call to undo them.
void DrawSpinningQuad(float t, int slot, float x, float y, float z, bool reverse);

// Upside-down textured quad over the whole view at the near end of the
// depth range, then the depth buffer is cleared so it hides nothing drawn
// after it. Leaves the modelview matrix current and at the identity, and
// both matrix stacks at their depth on entry. DrawBackdropAt shifts the
// picture by (x, y, z) in normalised device coordinates; with z outside
// 0..2 every corner leaves the depth range and nothing is drawn.
void DrawBackdropAt(int slot, float x, float y, float z);
void DrawBackdrop(int slot);

// The alphas the fades draw with, as 32-bit floats: 1 - 0.001 t unclamped,
// and 1 - 0.0001 t clamped to 0..1. Every t of the fades' argument types
// converts to double exactly.
float FadeAlpha(double t);
float TexturedFadeAlpha(float t);
