#include "ActionRegistry.h"

ActionRegistry::~ActionRegistry() = default;

ActionRegistry& ActionRegistry::GetInstance() {
    static ActionRegistry registry;
    return registry;
}

bool ActionRegistry::Register(Action* prototype) {
    if (!prototype) {
        return false;
    }
    const ActionPtr share(prototype);
    ActionPtr& entry = prototypes[prototype->GetKeyword()];
    entry = share;
    return entry.Get() != nullptr;
}

Action* ActionRegistry::Create(const std::string& keyword, const std::string& params) const {
    const auto found = prototypes.find(keyword);
    if (found == prototypes.end()) {
        return nullptr;
    }
    return found->second->Parse(params);
}
