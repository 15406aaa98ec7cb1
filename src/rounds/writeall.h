#pragma once

#include <QByteArray>

namespace rounds {

// Writes all of bytes to fd, through short writes and signals: 0, or the
// errno of the failure (EIO for a write that takes nothing).
int writeAll(int fd, const QByteArray &bytes);

} // namespace rounds
