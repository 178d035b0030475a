#include "platform/headless/headless_media.h"

#include <algorithm>

#include "common/ansi.h"
#include "common/paths.h"
#include "platform/api/files.h"

namespace kestro::platform {

void HeadlessMediaPlayers::Install() {
  InstallMediaPlayerFactory([this] { return std::make_unique<HeadlessMediaPlayer>(*this); });
  installed_ = true;
}

void HeadlessMediaPlayers::Uninstall() {
  if (!installed_) return;
  InstallMediaPlayerFactory(nullptr);
  installed_ = false;
}

HeadlessMediaPlayer* HeadlessMediaPlayers::Playing() const {
  for (HeadlessMediaPlayer* p : live) {
    if (p->Mode() == MediaMode::mpPlaying) return p;
  }
  return nullptr;
}

bool HeadlessMediaPlayers::FinishPlayback() {
  HeadlessMediaPlayer* player = Playing();
  if (player == nullptr) return false;
  player->mode_ = MediaMode::mpStopped;
  log.push_back("end " + player->file_);
  if (player->onNotify) player->onNotify();
  return true;
}

HeadlessMediaPlayer::HeadlessMediaPlayer(HeadlessMediaPlayers& owner) : owner_(owner) {
  ++owner_.created;
  owner_.live.push_back(this);
}

HeadlessMediaPlayer::~HeadlessMediaPlayer() {
  owner_.log.push_back("free");
  auto& live = owner_.live;
  live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void HeadlessMediaPlayer::Open(const std::string& fileName) {
  owner_.log.push_back("open " + fileName);
  if (!Files().FileExists(fileName)) throw EMCIDeviceError("The specified file was not found");
  if (owner_.unplayable.count(AnsiUpperCase(ExtractFileExt(fileName))) != 0) {
    throw EMCIDeviceError("No device for this file type");
  }
  file_ = fileName;
  mode_ = MediaMode::mpStopped;
}

void HeadlessMediaPlayer::Play() {
  owner_.log.push_back("play " + file_);
  if (mode_ == MediaMode::mpNotReady) throw EMCIDeviceError("No MCI device open");
  mode_ = MediaMode::mpPlaying;
}

void HeadlessMediaPlayer::Stop() {
  owner_.log.push_back("stop " + file_);
  if (mode_ == MediaMode::mpNotReady) throw EMCIDeviceError("No MCI device open");
  mode_ = MediaMode::mpStopped;
}

void HeadlessMediaPlayer::Close() {
  if (mode_ == MediaMode::mpNotReady) return;
  owner_.log.push_back("close " + file_);
  mode_ = MediaMode::mpNotReady;
  file_.clear();
}

}  // namespace kestro::platform
