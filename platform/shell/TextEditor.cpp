// The person's own text editor, for a text file no program of the device opens: the editor
// the environment names, or the system's, in a terminal window.
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "FileAssociation.h"
#include "FileName.h"
#include "platform/alerts.h"
#include "platform/files.h"
#include "platform/shell.h"

namespace {

using platform::FindProgram;

// The words of an editor command ("emacs -nw"), split at white space as a shell would split
// an unquoted variable; empty when its program is not found or a word holds a double quote,
// which the command line could not carry.
std::vector<std::string> EditorCommand(const std::string& command) {
    std::vector<std::string> words;
    std::size_t start = command.find_first_not_of(" \t");
    while (start != std::string::npos) {
        const std::size_t end = command.find_first_of(" \t", start);
        words.push_back(command.substr(start, end - start));
        start = command.find_first_not_of(" \t", end);
    }
    if (words.empty() || command.find('"') != std::string::npos) {
        return {};
    }
    const std::optional<std::string> program = FindProgram(words[0]);
    if (!program) {
        return {};
    }
    words[0] = *program;
    return words;
}

std::vector<std::string> ChosenEditor() {
    for (const char* variable : {"VISUAL", "EDITOR"}) {
        if (const char* value = std::getenv(variable); value && *value) {
            if (std::vector<std::string> words = EditorCommand(value); !words.empty()) {
                return words;
            }
        }
    }
    for (const char* fallback : {"sensible-editor", "vi"}) {
        if (std::vector<std::string> words = EditorCommand(fallback); !words.empty()) {
            return words;
        }
    }
    return {};
}

bool Refuse(const std::wstring& why) {
    platform::Tell(why.c_str(), L"Tapweave", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

} // namespace

bool platform::HasOpenCommand(const std::wstring& path) {
    return FileAssociation::OpenCommand(path).has_value();
}

bool platform::EditTextFile(const std::wstring& path) {
    std::string host = HostPath(path);
    if (host.empty() && !path.empty() && path.front() == L'/') {
        host = FileName::ToHost(path).value_or(std::string());
    }
    const std::optional<std::wstring> file = FileName::FromHost(host);
    if (host.empty() || !file || file->find(L'"') != std::wstring::npos) {
        return false;
    }
    if (!OnDisplay()) {
        return Refuse(L"No program opens " + *file +
                      L" and there is no display for a text editor: edit it in a terminal.");
    }
    const std::vector<std::string> editor = ChosenEditor();
    std::optional<std::string> terminal = FindProgram("x-terminal-emulator");
    if (!terminal) {
        terminal = FindProgram("xterm");
    }
    if (editor.empty() || !terminal) {
        return Refuse(L"No program opens " + *file +
                      (editor.empty() ? L": no text editor was found ($VISUAL, $EDITOR, "
                                        L"sensible-editor, vi)."
                                      : L": no terminal was found for the text editor "
                                        L"(x-terminal-emulator, xterm)."));
    }
    std::wstring commandLine = L"-e";
    for (const std::string& word : editor) {
        commandLine += L" \"" + FileName::FromHost(word).value_or(std::wstring()) + L"\"";
    }
    commandLine += L" \"" + *file + L"\"";
    return Launcher::Current().Start(*terminal, commandLine) != 0;
}
