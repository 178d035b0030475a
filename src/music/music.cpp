#include "music/music.h"

#include <vector>

#include "common/ansi.h"
#include "common/paths.h"
#include "common/random.h"
#include "music/decoder_abi.h"
#include "payload/payload.h"
#include "platform/api/files.h"
#include "platform/api/ui.h"
#include "settings/sources.h"

namespace kestro {

namespace {

void PlayTrackWithNoFile() { PlayTrack(); }

std::unique_ptr<TMPEGPlayer> decoderPlayer;
std::unique_ptr<platform::MediaPlayer> mediaPlayer;

// A player is freed by the end-of-track handler that runs inside its own
// timer event or notification. Freed right there, the event would return
// into a destroyed object: while any end event runs, released players wait
// here, and a timer of the music control's own frees them once the event
// has returned.
int endEventDepth = 0;
std::vector<std::unique_ptr<TMPEGPlayer>> retiredDecoders;
std::vector<std::unique_ptr<platform::MediaPlayer>> retiredMediaPlayers;
std::unique_ptr<platform::Timer> releaseTimer;

void FreeRetiredPlayers() {
  retiredDecoders.clear();
  retiredMediaPlayers.clear();
  if (releaseTimer) releaseTimer->SetEnabled(false);
}

template <typename Player>
void ReleasePlayer(std::unique_ptr<Player>& player, std::vector<std::unique_ptr<Player>>& retired) {
  if (!player) return;
  if (endEventDepth == 0) {
    player.reset();
    return;
  }
  retired.push_back(std::move(player));
  if (!releaseTimer) {
    releaseTimer = platform::UI().NewTimer(FreeRetiredPlayers);
    releaseTimer->SetInterval(1);
  }
  releaseTimer->SetEnabled(true);
}

void RunEndHandler(TMusicEndHandler handler) {
  ++endEventDepth;
  try {
    if (handler != nullptr) handler();
  } catch (...) {
  }
  --endEventDepth;
}

void CreateDecoderPlayer() {
  decoderPlayer = std::make_unique<TMPEGPlayer>();
  TMPEGPlayer& p = *decoderPlayer;
  p.Seekable = false;
  p.FromStream = false;
  p.SetPlayerPriority(TPlayPriority::Normal);
  p.SetUseTimer(true);
  p.SetTimerFreq(1000);
  p.AutoPlay = false;
  p.SetOutputDevice(TOutputDevice::wavemapper);
  p.StartPos = 0;
  p.EndPos = 0;
  p.PathToDLL.clear();
  const TMusicEndHandler handler = DecoderEndHandler;
  p.OnPlayEnd = [handler](TMPEGPlayer&) { RunEndHandler(handler); };
}

// A stream that plays is stopped; any stream still open (played to its end
// too) is closed, so that the library lets go of the file.
void StopDecoder(bool release) {
  if (!decoderPlayer) return;
  std::int32_t mode = mpegdll::kModeNoStream;
  try {
    mode = decoderPlayer->Mode();
    if (mode == mpegdll::kModePlaying) decoderPlayer->Stop();
  } catch (...) {
  }
  try {
    if (mode != mpegdll::kModeNoStream) decoderPlayer->Close();
  } catch (...) {
  }
  if (release) ReleasePlayer(decoderPlayer, retiredDecoders);
}

void StopMediaPlayer(bool release) {
  if (!mediaPlayer) return;
  try {
    if (mediaPlayer->Mode() == platform::MediaMode::mpPlaying) mediaPlayer->Stop();
  } catch (...) {
  }
  try {
    mediaPlayer->Close();
  } catch (...) {
  }
  if (release) ReleasePlayer(mediaPlayer, retiredMediaPlayers);
}

}  // namespace

TMyMusicSet MusicSet;
bool MediaPlayerMp3Flag = false;
std::int32_t MusicIndex = -1;
TMusicEndHandler DecoderEndHandler = &PlayTrackWithNoFile;
TMusicEndHandler MediaEndHandler = &PlayTrackWithNoFile;

void SetPlaylist(const TSourceList& list, bool random, bool loop) {
  if (!MusicSet.playlist) MusicSet.playlist = std::make_unique<TSourceList>();
  *MusicSet.playlist = list;
  MusicSet.random = random;
  MusicSet.loop = loop;
  SeedRandomFromClock();
  MusicSet.current.clear();
  MusicSet.index = -1;
  MusicSet.PlayedCount = -1;
}

void PlayNext() {
  TMyMusicSet& m = MusicSet;
  m.current.clear();
  if (!m.playlist || m.playlist->empty()) return;
  const auto count = static_cast<std::int32_t>(m.playlist->size());
  if (m.random) {
    ++m.PlayedCount;
    if (m.loop) {
      m.index = RandomBelow(count);
    } else {
      m.index = m.PlayedCount < count ? RandomBelow(count) : -1;
    }
  } else if (m.index == -1) {
    m.index = 0;
  } else {
    ++m.index;
    if (m.index >= count) m.index = m.loop ? 0 : -1;
  }
  if (m.index == -1) {
    m.current.clear();
    m.PlayedCount = -1;
  } else {
    m.current = (*m.playlist)[static_cast<std::size_t>(m.index)];
  }
}

void PlayTrack(const std::string& file) {
  try {
    if (!file.empty()) {
      MusicSet.current = file;
      if (MusicSet.playlist) MusicSet.playlist->clear();
    } else {
      PlayNext();
    }
    const std::string current = MusicSet.current;
    if (current.empty() || !platform::Files().FileExists(current)) return;
    if (AnsiUpperCase(ExtractFileExt(current)) == ".MP3" && !MediaPlayerMp3Flag) {
      PlayWithDecoder(current);
    } else {
      PlayWithMediaPlayer(current);
    }
  } catch (...) {
  }
}

void PlayWithDecoder(const std::string& file) {
  try {
    if (!decoderPlayer) {
      CreateDecoderPlayer();
      decoderPlayer->LoadDecoder();
    }
    decoderPlayer->SetStreamName(file);
    decoderPlayer->Open();
    decoderPlayer->Play();
  } catch (...) {
  }
}

void PlayWithMediaPlayer(const std::string& file) {
  try {
    if (!mediaPlayer) {
      mediaPlayer = platform::NewMediaPlayer();
      const TMusicEndHandler handler = MediaEndHandler;
      mediaPlayer->onNotify = [handler] { RunEndHandler(handler); };
    }
    mediaPlayer->Close();
    mediaPlayer->Open(file);
    mediaPlayer->Play();
  } catch (...) {
  }
}

void StopMusic(bool release) {
  try {
    StopDecoder(release);
    StopMediaPlayer(release);
    MusicSet.current.clear();
  } catch (...) {
  }
}

void StartSaverMusic() {
  try {
    TSaverSetting& s = SaverSetting;
    if (!s.PlayMusic || s.MusicList.empty()) return;
    StopMusic(true);
    if (PayloadFound) {
      ExtractDecoderLibrary();
      DecoderEndHandler = &StartSaverMusic;
      MediaEndHandler = &StartSaverMusic;
      const auto count = static_cast<std::int32_t>(s.MusicList.size());
      if (s.RandomMusic) {
        SeedRandomFromClock();
        MusicIndex = RandomBelow(count);
      } else {
        ++MusicIndex;
        if (MusicIndex >= count) MusicIndex = s.LoopMusic ? 0 : -1;
      }
      if (MusicIndex != -1) {
        std::string entry = s.MusicList[static_cast<std::size_t>(MusicIndex)];
        if (ResolveSource(entry)) PlayTrack(entry);
      }
    } else {
      for (std::size_t i = s.MusicList.size(); i-- > 0;) {
        std::string entry = s.MusicList[i];
        if (ResolveSource(entry)) {
          s.MusicList[i] = entry;
        } else {
          s.MusicList.erase(s.MusicList.begin() + static_cast<std::ptrdiff_t>(i));
        }
      }
      SetPlaylist(s.MusicList, s.RandomMusic, s.LoopMusic);
      PlayTrack();
    }
  } catch (...) {
  }
}

void FreeMusicPlayers() {
  StopMusic(true);
  FreeRetiredPlayers();
  releaseTimer.reset();
}

TMPEGPlayer* DecoderPlayer() { return decoderPlayer.get(); }
platform::MediaPlayer* MultimediaPlayer() { return mediaPlayer.get(); }

}  // namespace kestro
