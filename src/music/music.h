#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "music/mpeg_play.h"
#include "platform/api/media_player.h"
#include "settings/saver_setting.h"

namespace kestro {

// The playlist state of the music control.
struct TMyMusicSet {
  std::unique_ptr<TSourceList> playlist;  // created on first use
  bool random = false;
  bool loop = false;
  std::string current;
  std::int32_t index = -1;
  std::int32_t PlayedCount = -1;
};
extern TMyMusicSet MusicSet;

// Whether MP3 files go to the platform's multimedia player instead of the
// decoder library; copied from the "MediaPlayerMp3" setting by the runner.
extern bool MediaPlayerMp3Flag;
// The entry of MusicList that plays in payload mode; -1 at start.
extern std::int32_t MusicIndex;

// What runs when a track ends: the decoder player's OnPlayEnd and the
// multimedia player's notification. Both start as PlayTrack with no file.
using TMusicEndHandler = void (*)();
extern TMusicEndHandler DecoderEndHandler;
extern TMusicEndHandler MediaEndHandler;

// Takes a copy of the list as the playlist, with its order rules, and
// starts it from the beginning (reseeding the random generator).
void SetPlaylist(const TSourceList& list, bool random, bool loop);
// Moves the playlist to its next track (MusicSet.current; empty when the
// playlist has ended).
void PlayNext();
// Plays `file` (the playlist is emptied: nothing follows it), or with no
// file the playlist's next track, through the player its extension asks
// for. Never raises.
void PlayTrack(const std::string& file = std::string());
// Plays a file through the decoder library, or the multimedia player.
// Never raise.
void PlayWithDecoder(const std::string& file);
void PlayWithMediaPlayer(const std::string& file);
// Stops whatever plays; with `release` both players are freed. Never raises.
void StopMusic(bool release);
// Starts the background music of a show from the music list, when the
// settings ask for music. With a payload, the end of each track comes back
// here for the next one. Never raises.
void StartSaverMusic();
// The end of the run: stops the music and frees both players.
void FreeMusicPlayers();

// The players as they are now (nullptr when not created), for tests.
TMPEGPlayer* DecoderPlayer();
platform::MediaPlayer* MultimediaPlayer();

}  // namespace kestro
