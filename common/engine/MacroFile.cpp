#include "MacroFile.h"

#include <string>

#include "ActionRegistry.h"

namespace {

bool HoldsLineEnd(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

} // namespace

void MacroFile::Read(std::string_view text, std::list<ActionPtr>& steps) {
    const ActionRegistry& registry = ActionRegistry::GetInstance();
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        std::string_view line = text.substr(0, feed);
        text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) {
            continue;
        }
        if (Action* step = registry.Create(std::string(line.substr(0, space)),
                                           std::string(line.substr(space + 1)))) {
            steps.emplace_back(step);
        }
    }
}

void MacroFile::Write(std::ostream& out, const std::vector<ActionPtr>& steps) {
    for (const ActionPtr& step : steps) {
        const std::string keyword = step->GetKeyword();
        const std::string params = step->GetParams();
        if (HoldsLineEnd(keyword) || HoldsLineEnd(params)) {
            continue;
        }
        out << keyword << ' ' << params << '\n';
        out.flush();
    }
}
