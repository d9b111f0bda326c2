#include "MacroFile.h"

#include <string>

#include "ActionRegistry.h"

void MacroFile::Read(std::istream& in, std::list<ActionPtr>& steps) {
    const ActionRegistry& registry = ActionRegistry::GetInstance();
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) {
            continue;
        }
        if (Action* step = registry.Create(line.substr(0, space), line.substr(space + 1))) {
            steps.emplace_back(step);
        }
    }
}

void MacroFile::Write(std::ostream& out, const std::vector<ActionPtr>& steps) {
    for (const ActionPtr& step : steps) {
        out << step->GetKeyword() << ' ' << step->GetParams() << '\n';
        out.flush();
    }
}
