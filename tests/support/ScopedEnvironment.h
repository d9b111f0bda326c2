// Sets (or, with null, removes) one environment variable while the object lives, then puts
// back what was there.
#pragma once

#include <optional>
#include <string>

class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::string name;
    std::optional<std::string> previous;
};
