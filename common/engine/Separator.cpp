#include "Separator.h"

Action* Separator::Parse(const std::string&) {
    return new Separator;
}

std::string Separator::GetKeyword() {
    return {};
}

std::string Separator::GetParams() {
    return {};
}

bool Separator::Play() {
    return true;
}
