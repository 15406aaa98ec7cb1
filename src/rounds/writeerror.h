#pragma once

#include <QString>

namespace rounds {

// Why a write failed, for the host (Russian): "нет места на диске" and the like.
QString writeErrorCause(int error);

} // namespace rounds
