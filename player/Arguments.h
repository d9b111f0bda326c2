// How the player cuts its command line into arguments. The macro shortcuts write the name in
// double quotes, so a name with spaces arrives as one argument.
#pragma once

#include <string>
#include <vector>

// The player's own module path, then the arguments of the command-line text. White space
// (the space class of iswctype) separates arguments; runs of it count as one and it is ignored
// at either end. A double quote switches between outside and inside quotes, and inside them
// white space belongs to the argument; a quote left open runs to the end of the text. Every
// double quote is then removed: there is no escape character, so a backslash is an ordinary
// character and no argument can hold a quote.
std::vector<std::wstring> SplitArguments(const std::wstring& modulePath,
                                         const std::wstring& commandLine);
