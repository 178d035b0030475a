#include "music/music.h"

namespace kestro {

bool MediaPlayerMp3Flag = false;

// Music playback comes with the music player; until then a show is silent.
void StartSaverMusic() {}

// Music playback comes with the music player; until then there is nothing to stop.
void StopMusic(bool /*release*/) {}

}  // namespace kestro
