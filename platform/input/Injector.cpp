#include "platform/Injector.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

#include "JournalInjector.h"
#include "platform/Device.h"

namespace platform {

namespace {

constexpr const char journalPrefix[] = "journal:";

std::mutex& ChoiceMutex() {
    static std::mutex mutex;
    return mutex;
}

// The backend in use. Shared so that a call in progress on one thread keeps its backend alive
// while a test on another thread puts a new one in place.
std::shared_ptr<Injector>& Active() {
    static std::shared_ptr<Injector> active;
    return active;
}

std::string DefaultJournal() {
    Device::Initialise();
    return std::string(journalPrefix) + Device::RunDirectory() + "/input.log";
}

bool WellFormed(const std::string& spec) {
    return spec == "uinput" || spec == "x11" ||
           (spec.rfind(journalPrefix, 0) == 0 && spec.size() > sizeof journalPrefix - 1);
}

const char* Requested() {
    const char* value = std::getenv("TAPWEAVE_INPUT");
    return value && *value ? value : nullptr;
}

// The last resort when not even the device's journal opens: standard error still shows every
// call, so nothing is lost silently.
std::unique_ptr<Injector> JournalOrStandardError() {
    std::string error;
    const std::string spec = DefaultJournal();
    if (auto journal = JournalInjector::Open(spec.substr(sizeof journalPrefix - 1), error)) {
        return journal;
    }
    std::fprintf(stderr, "tapweave: %s; input is written to standard error\n", error.c_str());
    return std::make_unique<JournalInjector>(STDERR_FILENO);
}

std::unique_ptr<Injector> FallBack(const std::string& why) {
    std::fprintf(stderr, "tapweave: %s; input goes to the journal %s\n", why.c_str(),
                 DefaultJournal().substr(sizeof journalPrefix - 1).c_str());
    return JournalOrStandardError();
}

std::unique_ptr<Injector> Choose() {
    std::string error;
    if (const char* requested = Requested()) {
        if (!WellFormed(requested)) {
            return FallBack(std::string("TAPWEAVE_INPUT=\"") + requested +
                            "\" is not uinput, x11 or journal:PATH");
        }
        if (auto injector = Injector::Make(requested, error)) {
            return injector;
        }
        return FallBack(error);
    }
    return JournalOrStandardError();
}

} // namespace

Injector& Injector::Current() {
    std::lock_guard lock(ChoiceMutex());
    if (!Active()) {
        Active() = Choose();
    }
    return *Active();
}

void Injector::Set(Injector* injector) {
    std::shared_ptr<Injector> replaced;
    {
        std::lock_guard lock(ChoiceMutex());
        replaced = std::move(Active());
        if (injector) {
            Active() = std::shared_ptr<Injector>(injector, [](Injector*) {});
        }
    }
}

std::unique_ptr<Injector> Injector::Make(const std::string& spec, std::string& error) {
    if (spec.rfind(journalPrefix, 0) == 0 && WellFormed(spec)) {
        return JournalInjector::Open(spec.substr(sizeof journalPrefix - 1), error);
    }
    error = "input backend \"" + spec + "\" is not available";
    return nullptr;
}

std::string Injector::ChosenSpec() {
    if (const char* requested = Requested(); requested && WellFormed(requested)) {
        return requested;
    }
    return DefaultJournal();
}

} // namespace platform
