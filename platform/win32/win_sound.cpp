#include "platform/win32/win_sound.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "cue/wav_pcm.h"
#include "platform/win32/win_system_dll.h"

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

const WaveOutApi& SystemWaveOut() {
  static const WaveOutApi api = [] {
    const wchar_t* dll = L"winmm.dll";
    WaveOutApi a;
    a.open = SystemProc<decltype(a.open)>(dll, "waveOutOpen");
    a.prepare = SystemProc<decltype(a.prepare)>(dll, "waveOutPrepareHeader");
    a.write = SystemProc<decltype(a.write)>(dll, "waveOutWrite");
    a.unprepare = SystemProc<decltype(a.unprepare)>(dll, "waveOutUnprepareHeader");
    a.reset = SystemProc<decltype(a.reset)>(dll, "waveOutReset");
    a.close = SystemProc<decltype(a.close)>(dll, "waveOutClose");
    const bool whole = a.open && a.prepare && a.write && a.unprepare && a.reset && a.close;
    return whole ? a : WaveOutApi{};
  }();
  return api;
}

// One open wave device playing one buffer; closing it stops the sound.
class Playback {
 public:
  Playback(const WaveOutApi& (*api)(), HANDLE events) : api_(api), events_(events) {}

  bool Start(const std::wstring& path) {
    const WaveOutApi& api = api_();
    if (api.open == nullptr) return false;
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
    // An event rather than a callback function: the device may not be closed from inside its
    // own callback, so the player's thread waits for it instead.
    if (api.open(&device_, WAVE_MAPPER, &fmt, reinterpret_cast<DWORD_PTR>(events_), 0,
                 CALLBACK_EVENT) != MMSYSERR_NOERROR) {
      device_ = nullptr;
      return false;
    }
    header_ = WAVEHDR{};
    header_.lpData = reinterpret_cast<LPSTR>(samples_.data());
    header_.dwBufferLength = static_cast<DWORD>(samples_.size() * 2);
    if (api.prepare(device_, &header_, sizeof header_) != MMSYSERR_NOERROR ||
        api.write(device_, &header_, sizeof header_) != MMSYSERR_NOERROR) {
      Stop();
      return false;
    }
    return true;
  }
  bool PlayedOut() const { return device_ == nullptr || (header_.dwFlags & WHDR_DONE) != 0; }
  void Stop() {
    if (device_ == nullptr) return;
    const WaveOutApi& api = api_();
    api.reset(device_);
    if ((header_.dwFlags & WHDR_PREPARED) != 0) {
      api.unprepare(device_, &header_, sizeof header_);
    }
    api.close(device_);
    device_ = nullptr;
  }
  ~Playback() { Stop(); }

 private:
  const WaveOutApi& (*api_)();
  HANDLE events_;
  HWAVEOUT device_ = nullptr;
  WAVEHDR header_{};
  std::vector<std::int16_t> samples_;
};

CuePlayer::CuePlayer(const WaveOutApi& (*api)())
    : wake_(CreateEventW(nullptr, FALSE, FALSE, nullptr), &CloseHandle),
      playback_(std::make_unique<Playback>(api, wake_.get())),
      worker_({}, [this] { playback_->Stop(); }) {}

CuePlayer::~CuePlayer() {
  // A job still waiting for the sound to end returns; the worker then stops the sound.
  ending_ = true;
  SetEvent(wake_.get());
}

void CuePlayer::Play(const std::wstring& path) {
  ++waiting_;
  worker_.Post([this, path] {
    --waiting_;
    playback_->Stop();
    if (!playback_->Start(path)) return;
    while (!playback_->PlayedOut()) {
      // A newer cue starts again from the beginning; the shutdown stops this one.
      if (waiting_ > 0 || ending_) return;
      // Without the event, as before: the next cue or the exit closes it.
      if (WaitForSingleObject(wake_.get(), INFINITE) != WAIT_OBJECT_0) return;
    }
    playback_->Stop();
  });
  SetEvent(wake_.get());
}

bool CuePlayer::Shutdown(std::chrono::steady_clock::time_point deadline) {
  ending_ = true;
  SetEvent(wake_.get());
  return worker_.Shutdown(deadline);
}

}  // namespace xr::win32
