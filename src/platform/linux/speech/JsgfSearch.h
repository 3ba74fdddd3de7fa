#pragma once

#include <pocketsphinx.h>

#include <string>

namespace brisklet::platform {

// Makes the grammar `jsgf` the decoder's search `name`, replacing any search of that
// name; false when the grammar does not parse or build. The library's own call for
// this keeps every grammar it parses, a few kilobytes a call: a decoder given a new
// grammar for each reading it weighs would grow without end.
bool setJsgfSearch(ps_decoder_t* ps, const char* name, const std::string& jsgf);

} // namespace brisklet::platform
