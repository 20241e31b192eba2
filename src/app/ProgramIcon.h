#pragma once

#include <QIcon>

namespace hf {

// The program icon: hand-drawn 16 and 32 pixel images, larger sizes from
// the scalable drawing.
QIcon programIcon();

}  // namespace hf
