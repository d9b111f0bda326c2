// Turns the stylus samples into stylus steps: the first down sample of a stroke a press, later
// ones a move once the stylus has gone far enough, the first up sample a release. Every step is
// played at once so the application under the stylus keeps working; steps outside the
// recorder's window also go to the macro document, which keeps them while it records.
//
// Runs on the touch driver's thread only: its two step handles are touched by no other thread.
#pragma once

void RecordSample(bool down, int x, int y);
