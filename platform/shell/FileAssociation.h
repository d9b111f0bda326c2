// Which program opens a document: the association the device registry records under
// HKEY_CLASSES_ROOT for the document's extension, as the device's shell reads it.
//
//     HKEY_CLASSES_ROOT\.macros                       default value "macrosfile"
//     HKEY_CLASSES_ROOT\macrosfile\Shell\Open\Command default value "\Windows\pword.exe %1"
#pragma once

#include <optional>
#include <string>

namespace platform {

class FileAssociation {
  public:
    // The command that opens a document of the path's extension (the text from the last "." of
    // its last component, compared without regard to case); nullopt when the path has no
    // extension or the registry names no command for it.
    static std::optional<std::wstring> OpenCommand(const std::wstring& path);

    // The parameters of a command with "%1" replaced by the document's path. A "%1" outside
    // double quotes gets the path in double quotes, so that a path holding spaces stays one
    // argument; a command without "%1" gets the path after its parameters. nullopt for a path
    // holding a double quote, which no quoting could keep whole.
    static std::optional<std::wstring> Substitute(const std::wstring& parameters,
                                                  const std::wstring& document);
};

} // namespace platform
