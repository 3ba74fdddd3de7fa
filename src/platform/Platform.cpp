// Out-of-line destructors anchor the interfaces' vtables in one place.
#include "platform/SoundOutput.h"

namespace brisklet::platform {
SoundOutput::~SoundOutput() = default;
} // namespace brisklet::platform
