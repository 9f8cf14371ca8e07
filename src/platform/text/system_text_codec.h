// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/text/text_codec.h"

namespace kelodi {

// The operating system's GBK (code page 936) converter: iconv on POSIX
// systems, the Win32 code-page functions on Windows. Stateless and safe to use
// from any thread; lives as long as the program.
const TextCodec& systemTextCodec();

}  // namespace kelodi
