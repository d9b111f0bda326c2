// The recorder's two threads on one document: the touch thread adds steps at about 1 kHz while
// the window thread starts, plays, stops and empties the document. No step may be lost or
// doubled, and the run must be clean under the thread sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <thread>
#include <vector>

#include "FakeDesktop.h"
#include "MacroList.h"
#include "MouseMove.h"
#include "RecordingInjector.h"
#include "TempDevice.h"
#include "platform/clock.h"

namespace {

// Ends the process if the run hangs, so a deadlock fails the test instead of stalling it.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread([this, limit] {
              std::unique_lock lock(mutex);
              if (!done.wait_for(lock, limit, [this] { return finished; })) {
                  std::cerr << "watchdog: the stress run hung\n";
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(mutex);
            finished = true;
        }
        done.notify_one();
        thread.join();
    }

  private:
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread thread;
};

TEST(DocumentStress, StepsAddedWhileRecordingAreStoredExactlyOnce) {
    const Watchdog watchdog(std::chrono::seconds(60));
    TempDevice device;
    RecordingInjector injector; // played only on the window thread
    FakeDesktop desktop;        // the shell in front: recordings begin without a start step
    desktop.front =
        desktop.AddWindow(1, platform::Desktop::shellProcessId, L"\\Windows\\shell32.exe");
    auto& document = dynamic_cast<MacroList&>(Macros::GetInstance());

    // The touch thread announces each step before handing it over and counts it once Add has
    // returned; so the window thread knows a range of steps that Add surely saw while recording.
    std::atomic<bool> stop{false};
    std::atomic<int> announced{-1};
    std::atomic<int> finished{0};
    std::thread touch([&] {
        for (int x = 0; !stop.load(); ++x) {
            announced.store(x);
            document.Add(ActionPtr(new MouseMove(x, 0)), Macros::AddPlain);
            finished.store(x + 1);
            Sleep(1);
        }
    });

    struct Recording {
        int first;              // every step from here...
        int end;                // ...to before here was added while recording
        std::vector<int> moves; // what the document held just before it was emptied
    };
    std::vector<Recording> recordings;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (unsigned round = 0; std::chrono::steady_clock::now() < end; ++round) {
        Recording recording{};
        document.StartRecording();
        recording.first = announced.load() + 1;
        Sleep(1 + round % 7);
        document.Play();
        Sleep(1 + round % 11);
        recording.end = finished.load();
        document.StopRecording();
        for (const ActionPtr& step : document.Steps()) {
            if (step->GetKeyword() == "Move") {
                recording.moves.push_back(std::stoi(step->GetParams()));
            }
        }
        recordings.push_back(recording);
        document.Load(L"Missing"); // empties the document
        Sleep(round % 3);
    }
    stop.store(true);
    touch.join();

    // Each recording holds every step added while it ran, each once and in order; across
    // recordings the steps only grow, so none was stored twice.
    int previous = -1;
    std::size_t stored = 0;
    for (const Recording& recording : recordings) {
        for (std::size_t i = 0; i < recording.moves.size(); ++i) {
            ASSERT_GT(recording.moves[i], previous);
            ASSERT_TRUE(i == 0 || recording.moves[i] == recording.moves[i - 1] + 1);
            previous = recording.moves[i];
        }
        for (int x = recording.first; x < recording.end; ++x) {
            ASSERT_TRUE(std::find(recording.moves.begin(), recording.moves.end(), x) !=
                        recording.moves.end())
                << "step " << x << " was added while recording and lost";
        }
        stored += recording.moves.size();
    }
    EXPECT_GT(recordings.size(), 50u);
    EXPECT_GT(stored, static_cast<std::size_t>(finished.load() / 4));
    EXPECT_TRUE(document.Steps().empty());
}

} // namespace
