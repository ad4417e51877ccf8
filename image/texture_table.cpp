#include "image/texture_table.h"

#include <stdlib.h>

#include "diag/Debug.h"
#include "image/file_open.h"
#include "image/image_file.h"
#include "platform/gl.h"

TextureRecord textureTable[TEXTURE_SLOTS];

const char startupImageFolder[] = "imagenes" PLATFORM_PATH_SEPARATOR;

namespace {

struct StartupImage {
    const char* pathFormat;
    const char* fileName;  // the same name, for a path that does not fit
};

const StartupImage startupImages[3] = {
    {"%scelvino.tga", "celvino.tga"},
    {"%shola.tga", "hola.tga"},
    {"%sespacio.tga", "espacio.tga"},
};

// A path cut short by the buffer would open some other file, so a folder too
// long for it fails the slot instead; the report names the whole path.
bool LoadStartupSlot(const char* folder, int slot)
{
    char path[TEXTURE_PATH_SIZE];
    int length = snprintf(path, sizeof path, startupImages[slot].pathFormat, folder);
    if (length < 0 || length >= TEXTURE_PATH_SIZE) {
        ReportWrite("\nNombre imagen/textura: %s%s ID: %d ... ", folder, startupImages[slot].fileName, slot);
        ReportWrite("Error cargando imagen %s%s\n", folder, startupImages[slot].fileName);
        char wholePath[1024];
        snprintf(wholePath, sizeof wholePath, "%s%s", folder, startupImages[slot].fileName);
        TellFileNotLoaded(wholePath);
        return false;
    }
    return LoadTextureSlot(path, slot);
}

}  // namespace

static bool LoadSlot(const char* path, int slot, bool (*read)(TextureRecord*, const char*))
{
    ReportWrite("\nNombre imagen/textura: %s ID: %d ... ", path, slot);
    // Outside the table there is no record to read into.
    if (slot < 0 || slot >= TEXTURE_SLOTS) {
        ReportWrite("Error cargando imagen %s\n", path);
        return false;
    }

    TextureRecord* record = &textureTable[slot];
    if (!read(record, path)) {
        ReportWrite("Error cargando imagen %s\n", path);
        TellFileNotLoaded(path);
        return false;
    }

    glGenTextures(1, &record->texId);
    glBindTexture(GL_TEXTURE_2D, record->texId);
    // The reader's rows are tightly packed. Under the default unpack
    // alignment of 4 a 24-bit image of odd width would be read skewed and
    // past the end of its buffer, so the upload runs at alignment 1 and the
    // previous alignment is put back.
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GLint(record->bitsPerPixel / 8), GLsizei(record->width),
                 GLsizei(record->height), 0, record->pixelFormat, GL_UNSIGNED_BYTE, record->pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    if (record->pixels) {
        free(record->pixels);
        record->pixels = nullptr;
    }
    return true;
}

bool LoadTextureSlot(const char* path, int slot)
{
    return LoadSlot(path, slot, LoadTga);
}

bool LoadImageSlot(const char* path, int slot)
{
    // The report's line says how it ended, as the start-up images' do.
    if (!LoadSlot(path, slot, LoadImageFile))
        return false;
    ReportWrite("Ok.");
    return true;
}

bool LoadStartupImages(const char* folder)
{
    ReportWrite("- Cargando imagenes ...\n");

    if (LoadStartupSlot(folder, 0))
        ReportWrite("Ok.");
    if (LoadStartupSlot(folder, 1))
        ReportWrite("Ok.");
    if (LoadStartupSlot(folder, 2)) {
        ReportWrite("Ok.");
        return true;
    }

    ReportWrite("\n*** Fall\xF3" " almacenando texturas ***\n");
    MessageBoxA(nullptr, "Fallo almacenando texturas.", "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
    return false;
}

void ForgetTextures()
{
    for (TextureRecord& record : textureTable)
        record.texId = 0;
}
