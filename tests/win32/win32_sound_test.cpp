// The cue's player against a wave device of the test's own: a cue that has played out closes
// the device by itself, a new cue starts again from the beginning, and the exit is never held
// up by a sound still playing.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "cue/cue.h"
#include "platform/win32/win_platform.h"
#include "platform/win32/win_sound.h"

namespace xr::win32 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The device: one at a time, as the player uses it. It plays out only when the test says so.
struct Device {
  std::atomic<int> opened{0};
  std::atomic<int> closed{0};
  HANDLE events = nullptr;  // the player's
  WAVEHDR* header = nullptr;
  HANDLE written = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  HANDLE closing = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  void PlayedOut() {
    header->dwFlags |= WHDR_DONE;
    SetEvent(events);
  }
} device;

const WaveOutApi& FakeWaveOut() {
  static const WaveOutApi api{
      [](LPHWAVEOUT out, UINT, LPCWAVEFORMATEX, DWORD_PTR events, DWORD_PTR, DWORD) -> MMRESULT {
        device.events = reinterpret_cast<HANDLE>(events);
        *out = reinterpret_cast<HWAVEOUT>(++device.opened);
        return MMSYSERR_NOERROR;
      },
      [](HWAVEOUT, LPWAVEHDR, UINT) -> MMRESULT { return MMSYSERR_NOERROR; },
      [](HWAVEOUT, LPWAVEHDR h, UINT) -> MMRESULT {
        device.header = h;
        SetEvent(device.written);
        return MMSYSERR_NOERROR;
      },
      [](HWAVEOUT, LPWAVEHDR, UINT) -> MMRESULT { return MMSYSERR_NOERROR; },
      [](HWAVEOUT) -> MMRESULT {
        device.PlayedOut();
        return MMSYSERR_NOERROR;
      },
      [](HWAVEOUT) -> MMRESULT {
        ++device.closed;
        SetEvent(device.closing);
        return MMSYSERR_NOERROR;
      },
  };
  return api;
}

bool Awaited(HANDLE event) { return WaitForSingleObject(event, 10000) == WAIT_OBJECT_0; }

TEST(Win32Sound, ThePlayedOutCueClosesTheDeviceAndANewOneStartsAgain) {
  wchar_t tmp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, tmp), 0u);
  const fs::path wav = fs::path(tmp) / (L"xr-cue-" + std::to_wstring(GetCurrentProcessId()));
  {
    WinPlatform platform(GetModuleHandleW(nullptr), {});
    const auto bytes = platform.LoadResource(kCueResourceType, kCueResourceId);
    std::ofstream(wav, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  for (const bool playsOut : {true, false}) {
    SCOPED_TRACE(playsOut ? "played out" : "still playing at the exit");
    device.opened = device.closed = 0;
    CuePlayer player(&FakeWaveOut);
    player.Play(wav.wstring());
    ASSERT_TRUE(Awaited(device.written));
    // Before the first has played out: the first is stopped and the cue starts anew.
    player.Play(wav.wstring());
    ASSERT_TRUE(Awaited(device.written));
    EXPECT_EQ(device.opened, 2);
    EXPECT_EQ(device.closed, 1);
    if (playsOut) {
      ResetEvent(device.closing);
      device.PlayedOut();
      // Closed with no other call into the player.
      EXPECT_TRUE(Awaited(device.closing)) << "the device stayed open after the cue";
      EXPECT_EQ(device.closed, 2);
    }
    EXPECT_TRUE(player.Shutdown(std::chrono::steady_clock::now() + 10s));
    EXPECT_EQ(device.closed, 2);
  }
  fs::remove(wav);
}

}  // namespace
}  // namespace xr::win32
