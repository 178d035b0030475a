#pragma once

namespace kestro {

// Whether MP3 files go to the platform's multimedia player instead of the
// decoder library; copied from the "MediaPlayerMp3" setting by the runner.
extern bool MediaPlayerMp3Flag;

// Starts the background music of a show from the music list.
void StartSaverMusic();

// Stops the music; with `release` the players are freed as well.
void StopMusic(bool release);

}  // namespace kestro
