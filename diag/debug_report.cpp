#include "diag/Debug.h"

#include <stdarg.h>

int reportDisabled = 1;
FILE* reportStream = nullptr;
FILE* markerStream = nullptr;

bool ReportOpen()
{
    // The marker is only looked for while the report is off: once on, the
    // report stays on even if the marker is deleted.
    if (reportDisabled) {
        markerStream = fopen("vindrel.txt", "r");
        if (markerStream)
            reportDisabled = 0;
    }
    if (reportDisabled)
        return true;

    reportStream = fopen("Debug.txt", "w");
    if (!reportStream)
        return false;

    fputs("QM Debug System - REPORT FILE\n", reportStream);
    fputs("-----------------------------\n\n", reportStream);
    fputs("Inicializando...\n", reportStream);
    return true;
}

void ReportWrite(const char* format, ...)
{
    // A failed open or a close leaves no stream: entries are dropped then.
    if (!format || reportDisabled || !reportStream)
        return;

    char entryBuffer[REPORT_ENTRY_SIZE];
    va_list args;
    va_start(args, format);
    // Entries carrying the GL driver's strings take their length from
    // outside the system, so an overlong entry is cut to the buffer.
    vsnprintf(entryBuffer, sizeof entryBuffer, format, args);
    va_end(args);

    fprintf(reportStream, "%s", entryBuffer);
}

void ReportClose()
{
    if (reportDisabled || !reportStream)
        return;
    fputs("\nProgram shutdown. Nice!\n", reportStream);
    fclose(reportStream);
    // Forget the closed stream so that a second teardown never touches it.
    reportStream = nullptr;
}
