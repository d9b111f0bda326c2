// Tells a source running on the driver's thread to end: a file descriptor that becomes
// readable once raised, so a source waiting in poll wakes at once.
#pragma once

class StopSignal {
  public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void Raise();
    bool Raised() const;
    int Descriptor() const { return descriptor; }

  private:
    int descriptor;
};
