// {{name}}: a demo on the Orlath shell. The shell asks for full screen,
// opens the window, runs the loop and its keys (Escape quits, holding M
// freezes, F1 switches mode), loads the start-up images into texture slots
// 0 (emblem), 1 (greeting) and 2 (starfield), and calls the two functions
// below. The kit's sprite, imagenes/brillo.png, goes into slot 3.
#include <math.h>
#include <stdlib.h>

#include <orlath/orlath.h>

static AtlasFont* font = nullptr;
static int hopTrack = -1;
enum { GLOW_SLOT = 3 };

// Runs in every new GL context (at start and after F1), and in a LIVE build
// after each swap of new code: load and build here.
bool StartDemo()
{
    free(font);
    font = BuildAtlasFont("imagenes" PLATFORM_PATH_SEPARATOR "fuente.tga", 16, -6);
    // TGA, PNG or JPEG: the file's contents say which. Once per GL context:
    // the slot keeps its texture across a LIVE swap, and has none after F1.
    bool glow = SlotTextureName(GLOW_SLOT) || LoadImageSlot("imagenes" PLATFORM_PATH_SEPARATOR "brillo.png", GLOW_SLOT);
    // The tune's tempo in rows; the track's keys are in sync/hop.txt.
    SetSyncTempo(120.0, 8);
    hopTrack = GetSyncTrack("hop");
    // From here on the clock is the tune's position (musica/ is the MUSIC folder);
    // a playing tune goes on.
    return font != nullptr && glow && (musicPlaying || PlayMusic("musica/tune.ogg"));  // false: status 1
}

// In a LIVE build, the old code's last call before new code takes over, in
// the same GL context: free what this code's globals hold (the new code's
// start afresh), the atlas's texture too.
void StopDemo()
{
    if (font)
        glDeleteTextures(1, &font->texture);
    free(font);
    font = nullptr;
}

// One frame at the clock's time; the shell swaps the buffers.
int RenderFrame()
{
    float t = (float)ElapsedSeconds();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    // The starfield fills the view behind everything drawn after it.
    DrawBackdrop(2);

    // Three emblems turning with the clock, added onto the stars, hopping
    // as the sync track says (on the tune's beat; edit sync/hop.txt while
    // the demo runs and the next frame follows it).
    glEnable(GL_BLEND);
    float hop = SyncValue(hopTrack, SyncRow());
    for (int i = 0; i < 3; ++i)
        DrawSprite(t * 90.0f + i * 120.0f, (i - 1) * 2.2f, hop, -6.0f, 0, 255, false, false);

    // 2D on top, in window pixels from the top-left corner: a glow that
    // drifts from side to side and a line of atlas text.
    BeginPixelView();
    DrawPixelSprite(320.0f + 240.0f * sinf(t), 300.0f, 160.0f, 160.0f, 1.0f, 1.0f, 1.0f, 1.0f, GLOW_SLOT);
    PrintPixelAtlasText(font, 32.0f, 384.0f, 2, 1.0f, 0.85f, 0.3f, "Hola from {{name}}!");
    EndPixelView();

    // Fade in from black over the first second (black darkens only under
    // this blend function; the shell's additive one goes back after).
    if (t < 1.0f) {
        glBindTexture(GL_TEXTURE_2D, 0);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        DrawBlackFadeFloat(t * 1000.0f);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    }
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    return 1;
}
