#pragma once

#include <QString>

namespace check {

// Text from a file, made safe to print on a terminal: control characters
// (C0, DEL, C1) and the bidirectional embeddings and overrides come out as
// \xHH or \uHHHH, so a stray escape sequence in a question can neither clear
// the host's screen nor turn the rest of the line around.
QString visibleText(const QString &text);

} // namespace check
