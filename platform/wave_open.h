// waveOutOpen's look at its arguments, alike in every layer that gives it:
// the answer due before any device is touched. True when that is the
// answer, in *result: an error, or MMSYSERR_NOERROR for a format query;
// false to go on and open. The layers play 16-bit PCM, mono or stereo.
#pragma once

#include "platform/platform.h"

inline bool WaveOpenAnswered(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format, DWORD flags,
                             MMRESULT* result)
{
    *result = MMSYSERR_NOERROR;
    if (!format)
        *result = MMSYSERR_INVALPARAM;
    else if (deviceId != WAVE_MAPPER && deviceId != 0)
        *result = MMSYSERR_BADDEVICEID;
    else if (format->wFormatTag != WAVE_FORMAT_PCM || format->wBitsPerSample != 16 ||
             (format->nChannels != 1 && format->nChannels != 2) || format->nSamplesPerSec == 0)
        *result = WAVERR_BADFORMAT;
    else if (flags & WAVE_FORMAT_QUERY)
        return true;
    else if (!device)
        *result = MMSYSERR_INVALPARAM;
    return *result != MMSYSERR_NOERROR;
}
