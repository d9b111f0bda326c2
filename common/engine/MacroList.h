// The steps of the macro document and the operations on them: recording, adding and playing.
// The recorder's touch thread adds steps while its window thread starts, stops and saves, so
// every operation holds the one mutex, and none holds it while it waits on anything else.
#pragma once

#include <list>
#include <mutex>
#include <vector>

#include "Macros.h"

class MacroList : public Macros {
  public:
    // Plays the steps until one fails or a StopRequest is raised (false then), and never
    // leaves the stylus pressed.
    bool Play() override;
    void StartRecording() override;
    void StopRecording() override;
    void Add(ActionPtr action, int kind) override;

    // A share of every step, in playback order, taken at one moment.
    std::vector<ActionPtr> Steps();

  protected:
    MacroList() = default;

    // Add with the mutex held.
    void AddLocked(const ActionPtr& action, int kind);

    std::list<ActionPtr> actions;
    bool recording = false;
    std::mutex mutex;
};
