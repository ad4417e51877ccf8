// The waveOut calls for a platform whose layer has no sound yet (the web):
// every open finds no device, so the music plays silently on the counter.
#include "platform/platform.h"

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT, UINT, LPCWAVEFORMATEX, DWORD_PTR, DWORD_PTR, DWORD)
{
    return MMSYSERR_NODRIVER;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT, LPWAVEHDR, UINT)
{
    return MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT, LPWAVEHDR, UINT)
{
    return MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT, LPWAVEHDR, UINT)
{
    return MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI waveOutGetPosition(HWAVEOUT, LPMMTIME, UINT)
{
    return MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI waveOutPause(HWAVEOUT)
{
    return MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI waveOutRestart(HWAVEOUT)
{
    return MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT)
{
    return MMSYSERR_INVALHANDLE;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT)
{
    return MMSYSERR_INVALHANDLE;
}
