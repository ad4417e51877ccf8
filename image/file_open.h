// Opening a file for reading that refuses a folder, and the line that
// says which file did not load.
//
// Needs: the standard streams and fstat. Some platforms open a folder with
// fopen as if it were an empty file; Windows refuses. Every reader of the
// system opens its files here, so that a folder named like an image meets
// the same "cannot open" path on every platform.
#pragma once

#include <stdio.h>

// fopen(path, "rb"), or null when that fails or path names a folder.
FILE* OpenFileForReading(const char* path);

// One line on standard error naming the file and the working folder: the
// box and the report name a relative path only, and a program started from
// another folder looks for its images there.
void TellFileNotLoaded(const char* path);
