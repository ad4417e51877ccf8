/* The decoder library is a single header that holds its own code: it is
   compiled here, once, as the C it is written in, and nowhere else. Only
   its pull interface on an open stream is used. */
#define STB_VORBIS_NO_PUSHDATA_API
#include <stb_vorbis.h>
