// Shared fixture for the shell's tests: a fresh working directory with the
// start-up images, intercepted message boxes, and the shell's globals back
// at their process-start values.
#pragma once

#include <string>

#include "support/shell_fixture.h"

// The report a clean start-up writes, up to and including the images, with
// the GL driver's strings of the current context.
inline std::string ExpectedStartupReport()
{
    std::string report =
        "QM Debug System - REPORT FILE\n"
        "-----------------------------\n\n"
        "Inicializando...\n"
        "Nombre de proyecto: \"Orlath - Brenvik!\"\n"
        "INTERFACE -> Resoluci\xF3" "n 640x480 32bpp\n";
    report += std::string("Render: ") + (const char*)glGetString(GL_RENDERER) + "\n";
    report += std::string("Vendor: ") + (const char*)glGetString(GL_VENDOR) + " Version: " +
              (const char*)glGetString(GL_VERSION) + "\n\n";
    report += "------------------\n\n";
    report += "- Inicializando Timer ...\n";
    report += "- Cargando imagenes ...\n";
    report += "\nNombre imagen/textura: imagenes/celvino.tga ID: 0 ... Ok.";
    report += "\nNombre imagen/textura: imagenes/hola.tga ID: 1 ... Ok.";
    report += "\nNombre imagen/textura: imagenes/espacio.tga ID: 2 ... Ok.";
    return report;
}
