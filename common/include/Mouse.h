// The stylus steps: press, move and release, each holding one screen position in pixels.
// Playing one injects absolute mouse input scaled to the screen. The family shares the scale
// factors and the position of the last press or move played in this process.
#pragma once

#include "Action.h"
#include "CommonApi.h"
#include "platform/types.h"

class COMMON_EXPORT Mouse : public Action {
  public:
    Mouse(int x, int y);

    // Press and move write their position as "x y".
    COMMON_HIDDEN std::string GetParams() override;
    // Whether (x, y) counts as a new position relative to this step: a change along both axes,
    // or of two pixels or more along either.
    virtual bool NotEqual(int x, int y) const;

    // Recomputes the scale factors for the screen's current size; always true.
    static bool OnScreenOrientationChange();
    // Releases the stylus at its last position when the last stylus step played pressed it.
    COMMON_HIDDEN static void ReleaseIfPressed();

  protected:
    // Reads "x y" as sscanf's "%d %d" does; false unless both numbers are there.
    COMMON_HIDDEN static bool ReadPosition(const std::string& params, int& x, int& y);
    // Remembers this step's position as the stylus position and injects there.
    COMMON_HIDDEN void InjectHere(DWORD flags) const;
    // Injects at the last remembered stylus position.
    COMMON_HIDDEN static void InjectAtLast(DWORD flags);

    int x;
    int y;
};
