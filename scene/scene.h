// The shipped scene: four additively blended, textured layers made from the
// three start-up images, turning with the clock, swinging in depth, and a
// greeting that flies in by 0.1 units per drawn frame.
//
// Needs the fixed GL state of the render window (additive blend function,
// depth test on, modelview current), the clock, the random source and the
// texture table. Allocates nothing per frame.
#pragma once

// Depth of the flying layer: 15 at start, steps once per drawn frame and
// rests at exactly -2. Survives window rebuilds, so the fly-in plays once.
extern float flyInZ;

// Clears, draws the scene at the clock's time and returns 1. The buffer
// swap is the caller's.
int RenderFrame();
void DrawSceneAndFlush(float t);
bool DrawScene(float t);
// A textured unit quad turned by angle degrees about z at (x, y, z). With
// keepMatrix the transform stays on the current matrix; with randomColour
// the colour takes three values from the random source (blue, green, red).
// A slot outside the texture table draws untextured, as an unloaded slot.
void DrawSprite(float angle, float x, float y, float z, int slot, unsigned char alpha, bool keepMatrix,
                bool randomColour);

// Parts shared by the sprite routines of the scene and the toolkit.
// The slot's texture name; 0 (untextured) for a slot outside the table.
unsigned int SlotTextureName(int slot);
// White, or three values from the random source taken as blue, green, red.
void SetSpriteColour(unsigned char alpha, bool randomColour);
// The unit quad at z = 0 with the texture upright.
void DrawUnitQuad();
