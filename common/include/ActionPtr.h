// The counted owning reference through which every stored step is held. Its two fields (the
// step, then a separately allocated counter) are its whole layout, so a share made in a program
// can be handed by value to Common and released there. The counter is atomic: the recorder's
// touch thread and its window thread hold shares of the same steps.
#pragma once

#include <atomic>

#include "Action.h"

class ActionPtr {
  public:
    ActionPtr() : action(nullptr), count(new std::atomic<int>(1)) {}
    explicit ActionPtr(Action* action) : action(action), count(new std::atomic<int>(1)) {}
    ActionPtr(const ActionPtr& other) : action(other.action), count(other.count) {
        count->fetch_add(1, std::memory_order_relaxed);
    }
    ~ActionPtr() { Release(); }

    ActionPtr& operator=(const ActionPtr& other) {
        if (this == &other) {
            return *this;
        }
        Release();
        action = other.action;
        count = other.count;
        count->fetch_add(1, std::memory_order_relaxed);
        return *this;
    }

    Action* Get() const { return action; }
    Action* operator->() const { return action; }
    int UseCount() const { return count->load(std::memory_order_relaxed); }

  private:
    void Release() {
        if (count && count->fetch_sub(1, std::memory_order_acq_rel) <= 1) {
            delete action;
            delete count;
        }
        action = nullptr;
        count = nullptr;
    }

    Action* action;
    std::atomic<int>* count;
};
