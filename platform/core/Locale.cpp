#include <clocale>

namespace {

// The device's multibyte code page is UTF-8: wcstombs and mbstowcs convert names and paths
// with it in every process that loads the platform, before any program code runs.
const bool localeSet = [] {
    return std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr ||
           std::setlocale(LC_CTYPE, "en_US.UTF-8") != nullptr;
}();

} // namespace
