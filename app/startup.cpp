#include "app/startup.h"

#include "diag/Debug.h"
#include "image/texture_table.h"
#include "platform/gl.h"
#include "text/bitmap_font.h"
#include "timing/clock.h"
#ifdef ORLATH_LIVE
#include "live/live.h"
#endif

// The banner shows the program's nominal settings, not those of the window
// actually open (after F1 it still reads 640x480 32bpp). A kit demo's are
// its own TITLE and SIZE.
#ifdef ORLATH_DEMO_TITLE
static const char projectName[] = ORLATH_DEMO_TITLE;
#else
static const char projectName[] = "Orlath - Brenvik!";
#endif
#ifdef ORLATH_DEMO_WIDTH
enum { BANNER_WIDTH = ORLATH_DEMO_WIDTH, BANNER_HEIGHT = ORLATH_DEMO_HEIGHT, BANNER_BITS = 32 };
#else
enum { BANNER_WIDTH = 640, BANNER_HEIGHT = 480, BANNER_BITS = 32 };
#endif

static const char* GLText(GLenum name)
{
    // A driver may answer null; the report prints what it is given.
    const GLubyte* text = glGetString(name);
    return text ? (const char*)text : "(null)";
}

bool StartApplication()
{
    if (!ReportOpen())
        MessageBoxA(NULL, "Debug.h -> No se puede escribir en archivo de reporte", "SHUTDOWN ERROR",
                    MB_OK | MB_ICONINFORMATION);

    ReportWrite("Nombre de proyecto: \"%s\"\nINTERFACE -> Resoluci\xF3" "n %dx%d %dbpp\n", projectName,
                BANNER_WIDTH, BANNER_HEIGHT, BANNER_BITS);
    ReportWrite("Render: %s\n", GLText(GL_RENDERER));
    ReportWrite("Vendor: %s Version: %s\n\n", GLText(GL_VENDOR), GLText(GL_VERSION));
    ReportWrite("------------------\n\n");

    if (enableBitmapFont)
        BuildBitmapFont();

    if (enableClock) {
        if (StartClock() != 0)
            return false;
    }

    if (enableStartupImages) {
        if (!LoadStartupImages(startupImageFolder)) {
            ReportWrite("Fall\xF3" " cargando texturas\n");
            return false;
        }
    }
#ifdef ORLATH_LIVE
    // A live build's demo code is an object the host loads (live/).
    return LiveStartDemo();
#else
    return StartDemo();
#endif
}
