#pragma once

#include "core/common/Direction.h"

namespace cravent::frames {

using cravent::Direction;
using cravent::directionOfMode;

} // namespace cravent::frames
