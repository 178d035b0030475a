#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/api/media_player.h"

namespace kestro::platform {

class HeadlessMediaPlayer;

// Multimedia players for tests: they open any file that exists (unless the
// test says its extension cannot be played), record what they are asked,
// and reach the end of a file when the test says so.
class HeadlessMediaPlayers {
 public:
  HeadlessMediaPlayers() = default;
  ~HeadlessMediaPlayers() { Uninstall(); }
  HeadlessMediaPlayers(const HeadlessMediaPlayers&) = delete;
  HeadlessMediaPlayers& operator=(const HeadlessMediaPlayers&) = delete;

  // Makes NewMediaPlayer create players of this set, and stops that again.
  void Install();
  void Uninstall();

  // The player that plays now, or nullptr.
  HeadlessMediaPlayer* Playing() const;
  // The playing file reaches its end: the player's notification runs (as
  // the event loop would run it). False when nothing plays.
  bool FinishPlayback();

  // "open FILE", "play FILE", "stop FILE", "close FILE", "free", in order.
  std::vector<std::string> log;
  // Upper-cased extensions (".MID") that no device takes.
  std::set<std::string> unplayable;
  int created = 0;
  std::vector<HeadlessMediaPlayer*> live;

 private:
  bool installed_ = false;
};

class HeadlessMediaPlayer final : public MediaPlayer {
 public:
  explicit HeadlessMediaPlayer(HeadlessMediaPlayers& owner);
  ~HeadlessMediaPlayer() override;
  void Open(const std::string& fileName) override;
  void Play() override;
  void Stop() override;
  void Close() override;
  MediaMode Mode() override { return mode_; }
  const std::string& FileName() const { return file_; }

 private:
  friend class HeadlessMediaPlayers;
  HeadlessMediaPlayers& owner_;
  std::string file_;
  MediaMode mode_ = MediaMode::mpNotReady;
};

}  // namespace kestro::platform
