// The music: one Ogg Vorbis track at a time, played through the platform's
// waveOut device and decoded in pieces while it plays. While it plays it is
// the animation clock: ElapsedSeconds() reads its position.
//
// Needs: the loop to call PumpMusic() often (every pass), which refills the
// device's buffers as they finish; no thread of ours. Limits: one track,
// 16-bit stereo at the file's rate, four buffers of 4096 frames (about a
// third of a second queued at 44.1 kHz). With no sound device the track
// plays silently and its position runs on the performance counter.
#pragma once

enum MusicMessage { MUSIC_MESSAGE_OPEN, MUSIC_MESSAGE_FORMAT, MUSIC_MESSAGE_COUNT, MUSIC_MESSAGE_NONE = -1 };

struct MusicMessageText {
    const char* text;
    const char* caption;
};
extern const MusicMessageText musicMessages[MUSIC_MESSAGE_COUNT];
// As with the image readers: boxes on by default, the last failure kept.
extern bool showMusicMessages;
extern MusicMessage lastMusicMessage;

extern bool musicPlaying;  // from a good PlayMusic until StopMusic or the track's end
extern bool musicSilent;   // playing with no sound device

// Plays the track from its start, replacing any other. False, with a
// report line and an "ERROR" box, when the file is missing, unreadable or
// not Ogg Vorbis.
bool PlayMusic(const char* path);
// Stops and closes the track; the clock goes on from its position.
void StopMusic();
// Seconds of the track that have left the speaker; 0 before any music.
double MusicSeconds();
// Holds (true) or resumes (false) the track and its clock; repeats are harmless.
void PauseMusic(bool paused);
// Moves the track and the clock to `seconds` (held inside the track),
// paused or playing as it was. A track that ran to its end plays again
// from there; with no music only the clock moves.
void SeekMusic(double seconds);
// Refills finished buffers and notices the track's end. Called by the loop.
void PumpMusic();
