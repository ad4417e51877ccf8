// Debug report: an optional plain-text log of start-up and shutdown.
//
// Off unless the marker file vindrel.txt can be opened in the working
// directory; once on, it stays on for the life of the process. Every
// ReportOpen empties Debug.txt and writes the header, so the file always
// holds the report of the latest render window only.
//
// Limits: an entry holds at most 255 characters after formatting; longer
// entries are cut, never written past the buffer. Nothing is flushed
// explicitly: entries reach the file when the stream is closed or the
// process exits.
#pragma once

#include <stdio.h>

extern int reportDisabled;   // 1 = off (start value), 0 = on
extern FILE* reportStream;   // Debug.txt while open, null otherwise
extern FILE* markerStream;   // held open for the life of the process

enum { REPORT_ENTRY_SIZE = 256 };

// False only when the report is on and Debug.txt cannot be opened.
bool ReportOpen();
// printf-style entry; the text is written as it stands, "%" included.
void ReportWrite(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Writes the closing line and closes Debug.txt.
void ReportClose();
