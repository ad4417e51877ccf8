// Opening a file for reading that refuses a folder.
//
// Needs: the standard streams and fstat. Some platforms open a folder with
// fopen as if it were an empty file; Windows refuses. Every reader of the
// system opens its files here, so that a folder named like an image meets
// the same "cannot open" path on every platform.
#pragma once

#include <stdio.h>

// fopen(path, "rb"), or null when that fails or path names a folder.
FILE* OpenFileForReading(const char* path);
