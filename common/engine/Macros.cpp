#include "Macros.h"

#include "MacroDocument.h"

Macros::Macros() = default;

Macros::~Macros() = default;

void Macros::Save() {
    StopRecording();
}

Macros& Macros::GetInstance() {
    static MacroDocument document;
    return document;
}
