#pragma once

#include <functional>

namespace hf {

// Asked now and then while a large picture decodes (between rows, between
// the decoder's stages, between the pieces of the file it reads); true
// makes the decode give up at once and return an empty picture. It runs on
// the decoding thread. Empty: the decode never stops early.
using DecodeStop = std::function<bool()>;

inline bool stopNow(const DecodeStop& stop)
{
    return stop && stop();
}

}  // namespace hf
