#include "platform/win32/win_sound.h"

#include "platform/win32/win_api.h"
// Needs windows.h first.
// clang-format off
#include <mmsystem.h>
// clang-format on

#include <cstdint>
#include <cstdio>
#include <vector>

#include "cue/wav_pcm.h"

namespace xr::win32 {

namespace {

std::vector<std::uint8_t> ReadWholeFile(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size{};
  // The cue is under a megabyte; anything far larger is not a cue worth holding in memory.
  if (GetFileSizeEx(h, &size) && size.QuadPart > 0 && size.QuadPart < (64 << 20)) {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) got = 0;
    bytes.resize(got);
  }
  CloseHandle(h);
  return bytes;
}

}  // namespace

// One open wave device playing one buffer; closing it stops the sound.
class Playback {
 public:
  bool Start(const std::wstring& path) {
    const std::vector<std::uint8_t> file = ReadWholeFile(path);
    const auto pcm = ParseWav(file);
    if (!pcm || pcm->data.size() < 2) return false;
    // Half amplitude: volume 50 of 100. Scaled here, not with the device's volume, which
    // would change it for every sound of the process or the machine.
    samples_.resize(pcm->data.size() / 2);
    for (std::size_t i = 0; i < samples_.size(); ++i) {
      const auto s = static_cast<std::int16_t>(pcm->data[2 * i] | (pcm->data[2 * i + 1] << 8));
      samples_[i] = static_cast<std::int16_t>(s / 2);
    }
    WAVEFORMATEX fmt{};
    fmt.wFormatTag = WAVE_FORMAT_PCM;
    fmt.nChannels = pcm->channels;
    fmt.nSamplesPerSec = pcm->sample_rate;
    fmt.wBitsPerSample = 16;
    fmt.nBlockAlign = static_cast<WORD>(pcm->channels * 2);
    fmt.nAvgBytesPerSec = fmt.nSamplesPerSec * fmt.nBlockAlign;
    if (waveOutOpen(&device_, WAVE_MAPPER, &fmt, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
      device_ = nullptr;
      return false;
    }
    header_ = WAVEHDR{};
    header_.lpData = reinterpret_cast<LPSTR>(samples_.data());
    header_.dwBufferLength = static_cast<DWORD>(samples_.size() * 2);
    if (waveOutPrepareHeader(device_, &header_, sizeof header_) != MMSYSERR_NOERROR ||
        waveOutWrite(device_, &header_, sizeof header_) != MMSYSERR_NOERROR) {
      Stop();
      return false;
    }
    return true;
  }
  void Stop() {
    if (device_ == nullptr) return;
    waveOutReset(device_);
    if ((header_.dwFlags & WHDR_PREPARED) != 0) {
      waveOutUnprepareHeader(device_, &header_, sizeof header_);
    }
    waveOutClose(device_);
    device_ = nullptr;
  }
  ~Playback() { Stop(); }

 private:
  HWAVEOUT device_ = nullptr;
  WAVEHDR header_{};
  std::vector<std::int16_t> samples_;
};

CuePlayer::CuePlayer()
    : playback_(std::make_unique<Playback>()), worker_({}, [this] { playback_->Stop(); }) {}

CuePlayer::~CuePlayer() = default;

void CuePlayer::Play(const std::wstring& path) {
  worker_.Post([this, path] {
    playback_->Stop();
    playback_->Start(path);
  });
}

bool CuePlayer::Shutdown(std::chrono::steady_clock::time_point deadline) {
  return worker_.Shutdown(deadline);
}

}  // namespace xr::win32
