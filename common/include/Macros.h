// The macro document, the one macro a program works on: the recorder fills and saves it, the
// player loads and plays it. The programs reach it only through this class's virtual table, in
// this slot order.
#pragma once

#include <string>

#include "ActionPtr.h"
#include "CommonApi.h"

class COMMON_EXPORT Macros {
  public:
    // How Add places separator steps around a step.
    enum AddKind { AddPlain = 0, AddBreakBefore = 1, AddBreakAfter = 2 };

    virtual ~Macros();
    // Replaces the steps with those of the named macro file; false when it cannot be read.
    virtual bool Load(const std::wstring& name) = 0;
    virtual void Save();
    // Plays every step in order; false as soon as one fails or the playback is asked to stop.
    // The stylus is never left pressed.
    virtual bool Play() = 0;
    virtual void StartRecording() = 0;
    virtual void StopRecording() = 0;
    // Stores the step, with the pause and separators its kind asks for, while recording.
    virtual void Add(ActionPtr action, int kind) = 0;

    static Macros& GetInstance();

    Macros(const Macros&) = delete;
    Macros& operator=(const Macros&) = delete;

  protected:
    Macros();
};
